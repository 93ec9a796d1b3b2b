#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace vozel {

// The incoming call as a desktop notification (org.freedesktop.Notifications) with the
// actions "Atender" and "Recusar", for desktops that keep the floating panel from
// appearing. Every bus call is asynchronous; a desktop without a notification service
// simply shows nothing.
class IncomingCallNotification : public QObject {
    Q_OBJECT

public:
    struct Content {
        QString number;
        QString callerName;
        QString sourceLabel;
        friend bool operator==(const Content &, const Content &) = default;
    };

    static inline const QString answerAction = QStringLiteral("VOZEL_ANSWER");
    static inline const QString declineAction = QStringLiteral("VOZEL_DECLINE");
    // What the service reports when the notification itself was clicked.
    static inline const QString defaultAction = QStringLiteral("default");

    explicit IncomingCallNotification(QObject *parent = nullptr);

    // Withdraws any earlier notification and posts a new one.
    void post(const Content &content);
    // Changes the posted notification; does nothing when none is up (a closed one is not
    // brought back).
    void update(const Content &content);
    void withdraw();

signals:
    // The user picked an action of the current notification.
    void actionInvoked(const QString &action);

private slots:
    void serviceInvokedAction(uint id, const QString &action);
    void serviceClosedNotification(uint id, uint reason);

private:
    void send(uint replacesId);
    void close(uint id);
    QString body() const;

    QDBusConnection m_bus;
    Content m_content;
    bool m_wanted = false;       // a notification should be up
    bool m_waitingForId = false; // a Notify call has not been answered yet
    uint m_id = 0;               // the service's id of the notification that is up
    quint64 m_generation = 0;    // counts posts and withdrawals, to recognise late answers
    bool m_bodyMarkup = true;    // until the service says otherwise, escape as if it reads markup
};

} // namespace vozel
