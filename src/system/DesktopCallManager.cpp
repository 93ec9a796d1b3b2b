#include "system/DesktopCallManager.h"

#include "system/WindowPresentation.h"

#include <QQmlEngine>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {
const QString identifyingSource = u"Identificando origem…"_s;
}

DesktopCallManager::DesktopCallManager(QObject *parent) : QObject(parent)
{
    connect(&m_notification, &IncomingCallNotification::actionInvoked, this,
            &DesktopCallManager::notificationAction);
}

DesktopCallManager::~DesktopCallManager()
{
    m_notification.withdraw();
    delete m_panel;
}

void DesktopCallManager::setDialerWindow(QWindow *dialer)
{
    if (m_dialer)
        disconnect(m_dialer, nullptr, this, nullptr);
    m_dialer = dialer;
    // The panel belongs to the dialer's QML engine: it goes with the dialer, while that
    // engine still exists.
    if (dialer)
        connect(dialer, &QObject::destroyed, this, [this] { delete m_panel; });
}

void DesktopCallManager::reportIncoming(const QString &number)
{
    if (m_callAnnounced)
        return;
    m_callAnnounced = true;
    announce(number);
}

void DesktopCallManager::reportWaitingCall(const QString &number)
{
    m_callAnnounced = true;
    announce(number);
}

void DesktopCallManager::announce(const QString &number)
{
    m_choiceMade = false;
    m_ringTone.start();
    if (m_dialer)
        bringToFrontWithAttention(*m_dialer);
    showPanel(number);
    m_notification.post({number, {}, identifyingSource});
}

void DesktopCallManager::updateIncomingIdentity(const QString &number, const QString &callerName,
                                                const QString &sourceLabel)
{
    if (m_panel) {
        m_panel->setProperty("callerName", callerName);
        m_panel->setProperty("sourceLabel", sourceLabel);
    }
    m_notification.update({number, callerName, sourceLabel});
}

void DesktopCallManager::reportAnswered()
{
    m_ringTone.stop();
    hidePanel();
    m_notification.withdraw();
}

void DesktopCallManager::reportWaitingCallEnded()
{
    reportAnswered();
}

void DesktopCallManager::reportEnded()
{
    m_callAnnounced = false;
    m_ringTone.stop();
    hidePanel();
    m_notification.withdraw();
}

void DesktopCallManager::notificationAction(const QString &action)
{
    if (action == IncomingCallNotification::answerAction || action == IncomingCallNotification::defaultAction) {
        answer();
        if (m_dialer)
            bringToFront(*m_dialer);
    } else if (action == IncomingCallNotification::declineAction) {
        decline();
    }
}

void DesktopCallManager::answer()
{
    if (takeChoice() && onAnswer)
        onAnswer();
}

void DesktopCallManager::decline()
{
    if (takeChoice() && onEnd)
        onEnd();
}

bool DesktopCallManager::takeChoice()
{
    if (m_choiceMade)
        return false;
    m_choiceMade = true;
    hidePanel();
    m_ringTone.stop();
    m_notification.withdraw();
    return true;
}

void DesktopCallManager::showPanel(const QString &number)
{
    if (!m_panel) {
        QQmlEngine *engine = m_dialer ? qmlEngine(m_dialer) : nullptr;
        if (!engine)
            return;
        m_panel = createPanel(*engine, u"IncomingCallPanel.qml"_s);
        if (!m_panel)
            return;
        connect(m_panel, SIGNAL(answerRequested()), this, SLOT(answer()));
        connect(m_panel, SIGNAL(declineRequested()), this, SLOT(decline()));
    }
    m_panel->setProperty("number", number);
    // Until the owner says who is calling, nothing of the previous caller may show.
    m_panel->setProperty("callerName", QString());
    m_panel->setProperty("sourceLabel", identifyingSource);
    presentPanel(*m_panel);
}

void DesktopCallManager::hidePanel()
{
    if (m_panel)
        m_panel->hide();
}

} // namespace vozel
