#include "engine/EngineEnvironment.h"

#include "engine/CoreSetup.h"

namespace vozel {

EngineEnvironment EngineEnvironment::standard()
{
    return {QStringLiteral(VOZEL_STUN_SERVER), QDBusConnection::systemBus(), sip::defaultDataFolder(),
            QStringLiteral("/etc/ssl/certs/ca-certificates.crt")};
}

} // namespace vozel
