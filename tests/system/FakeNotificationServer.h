#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QVariantMap>

namespace vozel::test {

// A notification service on the test's session bus, on a connection of its own as a real
// desktop's would be: records what it is asked and emits the signals a user's clicks cause.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id;
        QString appName;
        uint replacesId;
        QString icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };

    QList<Notification> notified;
    QList<uint> closed;
    // The user dismisses the notification just before an update of it arrives; like a
    // real service, the update then shows it again.
    bool dismissBeforeNextUpdate = false;
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};

    FakeNotificationServer()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notifications")))
    {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                             QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals);
        m_registered = m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    ~FakeNotificationServer() override
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }

    bool isRegistered() const { return m_registered; }

    // What a click on an action of the notification with this id makes the desktop send.
    void click(uint id, const QString &action)
    {
        emit ActionInvoked(id, action);
        emit NotificationClosed(id, 2);
    }

    // The id the last Notify call got.
    uint lastId() const { return notified.isEmpty() ? 0 : notified.last().id; }

public slots:
    Q_SCRIPTABLE uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                             const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        if (replacesId != 0 && dismissBeforeNextUpdate) {
            dismissBeforeNextUpdate = false;
            emit NotificationClosed(replacesId, 2);
        }
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        notified << Notification{id, appName, replacesId, icon, summary, body, actions, hints, timeout};
        return id;
    }

    Q_SCRIPTABLE void CloseNotification(uint id)
    {
        closed << id;
        emit NotificationClosed(id, 3);
    }

    Q_SCRIPTABLE QStringList GetCapabilities() { return capabilities; }

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString &action_key);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    bool m_registered = false;
    uint m_lastId = 40; // ids other than 1, so a mix-up with a count shows
};

} // namespace vozel::test
