#include "VozelError.h"

namespace vozel {

VozelError::VozelError(Kind kind, QString message, std::int32_t status)
    : Failure(std::move(message)), m_kind(kind), m_status(status)
{
}

VozelError VozelError::server(const QString &message)
{
    return {Kind::server, message};
}

VozelError VozelError::keychain(std::int32_t status)
{
    return {Kind::keychain, QStringLiteral("Não foi possível proteger a credencial do ramal."), status};
}

VozelError VozelError::invalidQRCode()
{
    return {Kind::invalidQRCode, QStringLiteral("Este QR Code não pertence ao Vozel.")};
}

VozelError VozelError::invalidResponse()
{
    return {Kind::invalidResponse, QStringLiteral("O servidor retornou uma configuração inválida.")};
}

VozelError VozelError::sipUnavailable()
{
    return {Kind::sipUnavailable, QStringLiteral("O motor SIP ainda não foi incorporado a esta compilação.")};
}

} // namespace vozel
