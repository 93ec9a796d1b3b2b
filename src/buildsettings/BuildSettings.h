#pragma once

// The values an executable is built with: where the operator's server and the STUN server are,
// and which certificate authorities are trusted besides the system's. They live in one small
// object per executable, so a build for a test PBX compiles that object alone and links the
// libraries every build shares.

#include <QString>

namespace vozel::build {

// "host" or "host:port" of the STUN server ICE asks for the public address.
QString stunServer();
// HTTPS address of the operator server that names the origin of incoming calls.
QString callOriginEndpoint();
// PEM file of certificate authorities trusted besides the system's; empty for real builds.
QString extraCaCertificates();

} // namespace vozel::build
