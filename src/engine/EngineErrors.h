#pragma once

// The stack answers most refusals with a bare status; these give each one the line the user reads.

#include "model/domain/Failure.h"

#include <QString>

namespace vozel::sip {

PlatformError coreNotCreated();
PlatformError coreNotStarted(int status);
PlatformError natPolicyNotCreated();
PlatformError invalidAddress(const QString &text);
PlatformError accountNotAccepted();
PlatformError answerFailed();
PlatformError dtmfNotSent();
PlatformError holdFailed();
PlatformError transferNotAccepted();
// A TLS registrar the stack could not talk to: its certificate is not vouched for by a trusted
// authority, or nothing answers TLS there. The stack tells the two apart only in its log.
PlatformError secureConnectionFailed();

} // namespace vozel::sip
