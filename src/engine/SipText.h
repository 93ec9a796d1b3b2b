#pragma once

#include "model/domain/SIPAccount.h"

#include <QString>

#include <optional>

namespace vozel::sip {

// The request URI for a dialled text: the account's own domain is added unless the text names
// one ("2002@pbx"). The user part is escaped as SIP requires, so feature codes reach the PBX
// ("*21*2003#" goes out as "*21*2003%23"). Nothing is trimmed, and spaces stay as typed: the
// stack's parser refuses them with a clear line rather than calling a number nobody has.
QString callTarget(const QString &dialled, const QString &host);

// "sip:<extension>@<host>", the address the account registers.
QString identityUri(const SIPAccount &account);

// "sip:<host>:<port>;transport=<transport in lower case>", where the account registers.
QString registrarUri(const SIPAccount &account);

// The registration lifetime to ask for. A lifetime of zero or less would ask the registrar to
// drop the binding right after creating it, so the phone would look registered and never ring;
// such values get the lifetime every other account source uses.
int registrationLifetime(qint64 requestedSeconds);

// The digit to send for a DTMF key, or none when the text is not exactly one of 0-9, * and #.
std::optional<char> dtmfDigit(const QString &text);

} // namespace vozel::sip
