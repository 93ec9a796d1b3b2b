#include "buildsettings/BuildSettings.h"

// A build for a test PBX names a header of its own values instead of the configured ones.
#ifdef VOZEL_BUILD_SETTINGS_HEADER
#include VOZEL_BUILD_SETTINGS_HEADER
#endif

namespace vozel::build {

QString stunServer()
{
    return QStringLiteral(VOZEL_STUN_SERVER);
}

QString callOriginEndpoint()
{
    return QStringLiteral(VOZEL_CALL_ORIGIN_ENDPOINT);
}

QString extraCaCertificates()
{
    return QStringLiteral(VOZEL_EXTRA_CA_CERTIFICATES);
}

} // namespace vozel::build
