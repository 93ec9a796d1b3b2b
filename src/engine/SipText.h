#pragma once

#include "model/domain/SIPAccount.h"

#include <QString>

namespace vozel::sip {

// The request URI for a dialled text: the account's own domain is added unless the text names
// one ("2002@pbx"); the user part is escaped as DialString::sipUserPart says. Nothing is trimmed.
QString callTarget(const QString &dialled, const QString &host);

// "sip:<extension>@<host>", the address the account registers.
QString identityUri(const SIPAccount &account);

// "sip:<host>:<port>;transport=<transport in lower case>", where the account registers.
QString registrarUri(const SIPAccount &account);

// The registration lifetime to ask for. A lifetime of zero or less would ask the registrar to
// drop the binding right after creating it, so the phone would look registered and never ring;
// such values get the lifetime every other account source uses.
int registrationLifetime(qint64 requestedSeconds);

} // namespace vozel::sip
