#pragma once

// How the stack's registration and call events read in the application's own terms.

#include "model/domain/RegistrationState.h"

#include <linphone++/address.hh>
#include <linphone++/call.hh>
#include <linphone++/enums.hh>

#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace vozel::sip {

RegistrationState registrationStateFor(linphone::RegistrationState state, const std::string &message);

// What a call event tells the user; none for the states that change nothing they see
// (holding, resuming, updates, early media of an incoming call).
enum class CallReport { none, incoming, dialing, connected, idle };

CallReport callReportFor(linphone::Call::State state);

// Whether a call was answered and has not ended (talking, held, or being updated).
bool isEstablished(linphone::Call::State state);

// Whether two handles name the same call of the core.
inline bool sameCall(linphone::Call &a, linphone::Call &b)
{
    return a.cPtr() == b.cPtr();
}

// The remote party's user part, or "Desconhecido" when the address has none.
QString callNumber(const std::shared_ptr<const linphone::Address> &remote);

// The remote party's display name; none when the address has no display name.
std::optional<QString> displayName(const std::shared_ptr<const linphone::Address> &remote);

} // namespace vozel::sip
