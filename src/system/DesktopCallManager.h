#pragma once

#include "model/ports/SystemCallManager.h"
#include "system/IncomingCallNotification.h"
#include "system/RingTone.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>

namespace vozel {

// Makes an incoming call hard to miss on the Linux desktop: a looping chime, the dialer
// brought forward with an attention request, the floating "Chamada recebida" panel and a
// desktop notification, each offering "Atender" and "Recusar".
//
// Idle: nothing announced. Announcing: ringing, panel up. In call: silent, panel hidden.
// A call is announced once; while it is, further announcements are ignored until the
// call is reported ended. A waiting call (a second one while a call is up) is announced anew.
class DesktopCallManager : public QObject, public SystemCallManager {
    Q_OBJECT

public:
    explicit DesktopCallManager(QObject *parent = nullptr);
    ~DesktopCallManager() override;

    // The window an incoming call brings forward. The panel is made, on the first call,
    // by the QML engine that made this window; until it is set, calls ring and notify
    // without a panel.
    void setDialerWindow(QWindow *dialer);

    void reportIncoming(const QString &number) override;
    void updateIncomingIdentity(const QString &number, const QString &callerName,
                                const QString &sourceLabel) override;
    void reportAnswered() override;
    void reportEnded() override;
    void setRingerDevice(const QString &deviceName) override { m_ringTone.setOutputName(deviceName); }
    void reportWaitingCall(const QString &number) override;
    void reportWaitingCallEnded() override;

    bool isCallAnnounced() const { return m_callAnnounced; }
    bool isRinging() const { return m_ringTone.isRinging(); }
    // The panel, once a call has been announced.
    QQuickWindow *incomingPanel() const { return m_panel; }

private slots:
    void answer();
    void decline();

private:
    void announce(const QString &number);
    void notificationAction(const QString &action);
    // Silences and hides for the user's answer or decline; false when one was already made.
    bool takeChoice();
    void showPanel(const QString &number);
    void hidePanel();

    RingTone m_ringTone;
    IncomingCallNotification m_notification;
    QPointer<QWindow> m_dialer;
    QPointer<QQuickWindow> m_panel;
    bool m_callAnnounced = false;
    // The user answered or declined this call; later clicks on the other route are stale.
    bool m_choiceMade = false;
};

} // namespace vozel
