#pragma once

#include <QDBusConnection>
#include <QNetworkInformation>
#include <QObject>

#include <functional>

namespace vozel::sip {

// Says when a registration is worth renewing at once instead of at its next refresh: the
// network came back or moved to another medium, or the computer woke from suspend (logind's
// PrepareForSleep on the system bus). Without a network backend or a system bus it stays quiet.
class NetworkWatch final : public QObject {
    Q_OBJECT

public:
    NetworkWatch(QDBusConnection systemBus, std::function<void()> onChange);

private slots:
    void prepareForSleep(bool sleeping);

private:
    void reachabilityChanged(QNetworkInformation::Reachability reachability);
    void transportMediumChanged();

    std::function<void()> m_onChange;
    QNetworkInformation::Reachability m_reachability = QNetworkInformation::Reachability::Unknown;
};

} // namespace vozel::sip
