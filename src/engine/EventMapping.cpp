#include "engine/EventMapping.h"

namespace vozel::sip {

using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

RegistrationState registrationStateFor(linphone::RegistrationState state, const std::string &message)
{
    switch (state) {
    case linphone::RegistrationState::None:
    case linphone::RegistrationState::Cleared:
        return RegistrationState::notConfigured();
    case linphone::RegistrationState::Ok:
        return RegistrationState::connected();
    case linphone::RegistrationState::Failed:
        return RegistrationState::failed(QString::fromStdString(message));
    case linphone::RegistrationState::Progress:
        break;
    }
    return RegistrationState::connecting();
}

CallReport callReportFor(CallState state)
{
    switch (state) {
    case CallState::IncomingReceived:
    case CallState::PushIncomingReceived:
        return CallReport::incoming;
    case CallState::OutgoingInit:
    case CallState::OutgoingProgress:
    case CallState::OutgoingRinging:
    case CallState::OutgoingEarlyMedia:
        return CallReport::dialing;
    case CallState::Connected:
    case CallState::StreamsRunning:
        return CallReport::connected;
    case CallState::Error:
    case CallState::End:
    case CallState::Released:
        return CallReport::idle;
    default:
        return CallReport::none;
    }
}

bool isEstablished(CallState state)
{
    switch (state) {
    case CallState::Connected:
    case CallState::StreamsRunning:
    case CallState::Pausing:
    case CallState::Paused:
    case CallState::Resuming:
    case CallState::PausedByRemote:
    case CallState::Updating:
    case CallState::UpdatedByRemote:
        return true;
    default:
        return false;
    }
}

QString callNumber(const std::shared_ptr<const linphone::Address> &remote)
{
    // The stack gives an absent user part as an empty text, so the two read alike.
    const std::string user = remote ? remote->getUsername() : std::string();
    return user.empty() ? u"Desconhecido"_s : QString::fromStdString(user);
}

std::optional<QString> displayName(const std::shared_ptr<const linphone::Address> &remote)
{
    if (!remote || remote->getDisplayName().empty())
        return std::nullopt;
    return QString::fromStdString(remote->getDisplayName());
}

} // namespace vozel::sip
