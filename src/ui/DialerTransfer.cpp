#include "ui/DialerTransfer.h"

#include <QQmlEngine>

namespace vozel::ui {

DialerTransfer::DialerTransfer(QObject *parent) : QObject(parent)
{
    connect(&m_presenter, &TransferPresenter::confirmed, this, [this](const QString &target) { start(target); });
    connect(&m_presenter, &TransferPresenter::cancelled, this, [this] { setShowing(false); });
}

void DialerTransfer::setModel(VozelModel *model)
{
    if (m_model == model)
        return;
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (model)
        connect(model, &VozelModel::callStateChanged, this, &DialerTransfer::callStateChanged);
    emit modelChanged();
}

void DialerTransfer::setShowing(bool showing)
{
    if (m_showing == showing)
        return;
    m_showing = showing;
    if (showing) {
        m_callNumber = m_model ? m_model->callState().number : QString();
        // The panel is made by the QML engine that made the dialer.
        if (!qmlContext(&m_presenter))
            QQmlEngine::setContextForObject(&m_presenter, qmlContext(this));
    }
    m_presenter.setPresented(showing);
    emit showingChanged();
}

void DialerTransfer::start(const QString &target)
{
    if (m_model && m_model->beginAttendedTransfer(target))
        setShowing(false);
}

void DialerTransfer::callStateChanged()
{
    const VozelCallState &call = m_model->callState();
    if (call.isIdle() || call.number != m_callNumber)
        setShowing(false);
}

} // namespace vozel::ui
