#include "engine/NetworkWatch.h"

namespace vozel::sip {

using namespace Qt::StringLiterals;
using Reachability = QNetworkInformation::Reachability;

NetworkWatch::NetworkWatch(QDBusConnection systemBus, std::function<void()> onChange)
    : m_onChange(std::move(onChange))
{
    systemBus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
                      u"PrepareForSleep"_s, this, SLOT(prepareForSleep(bool)));

    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    const QNetworkInformation *info = QNetworkInformation::instance();
    m_reachability = info->reachability();
    connect(info, &QNetworkInformation::reachabilityChanged, this, &NetworkWatch::reachabilityChanged);
    connect(info, &QNetworkInformation::transportMediumChanged, this, &NetworkWatch::transportMediumChanged);
}

void NetworkWatch::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        m_onChange();
}

void NetworkWatch::reachabilityChanged(Reachability reachability)
{
    const Reachability previous = std::exchange(m_reachability, reachability);
    // The first answer of the backend is not a change; losing the network leaves nothing to renew.
    if (previous == Reachability::Unknown || reachability == Reachability::Disconnected
        || reachability == Reachability::Unknown)
        return;
    m_onChange();
}

void NetworkWatch::transportMediumChanged()
{
    if (m_reachability != Reachability::Disconnected && m_reachability != Reachability::Unknown)
        m_onChange();
}

} // namespace vozel::sip
