#include "engine/EngineEnvironment.h"

#include "buildsettings/BuildSettings.h"
#include "engine/CoreSetup.h"

namespace vozel {

EngineEnvironment EngineEnvironment::standard()
{
    return {build::stunServer(), QDBusConnection::systemBus(), sip::defaultDataFolder(),
            QStringLiteral("/etc/ssl/certs/ca-certificates.crt")};
}

} // namespace vozel
