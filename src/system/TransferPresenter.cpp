#include "system/TransferPresenter.h"

#include "model/DialString.h"
#include "system/WindowPresentation.h"

#include <QApplication>
#include <QQmlEngine>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {
constexpr qsizetype maximumTargetLength = 20;
}

TransferPresenter::TransferPresenter(QObject *parent) : QObject(parent) {}

TransferPresenter::~TransferPresenter()
{
    hide();
    delete m_panel;
}

void TransferPresenter::setPresented(bool presented)
{
    if (m_presented == presented)
        return;
    m_presented = presented;
    if (presented)
        show();
    else
        hide();
    emit isPresentedChanged();
}

void TransferPresenter::show()
{
    if (!m_panel) {
        QQmlEngine *engine = qmlEngine(this);
        if (!engine)
            return;
        m_panel = createPanel(*engine, u"TransferPanel.qml"_s);
        if (!m_panel)
            return;
        connect(m_panel, SIGNAL(confirmRequested()), this, SLOT(confirm()));
        connect(m_panel, SIGNAL(cancelRequested()), this, SLOT(cancel()));
        connect(m_panel, &QWindow::visibleChanged, this, &TransferPresenter::panelVisibilityChanged);
    }
    presentPanel(*m_panel);
    QMetaObject::invokeMethod(m_panel, "focusField");
}

void TransferPresenter::hide()
{
    if (!m_panel)
        return;
    m_closingProgrammatically = true;
    m_panel->hide();
    m_closingProgrammatically = false;
}

void TransferPresenter::confirm()
{
    const QString target = DialString::extensionPart(m_panel->property("text").toString(), maximumTargetLength);
    if (target.isEmpty()) {
        QApplication::beep();
        return;
    }
    emit confirmed(target);
}

void TransferPresenter::cancel()
{
    hide();
    emit cancelled();
}

void TransferPresenter::panelVisibilityChanged(bool visible)
{
    if (!visible && !m_closingProgrammatically)
        emit cancelled();
}

} // namespace vozel
