#include "engine/EngineErrors.h"

namespace vozel::sip {

using namespace Qt::StringLiterals;

PlatformError coreNotCreated()
{
    return PlatformError(u"Não foi possível criar o núcleo SIP."_s);
}

PlatformError coreNotStarted(int status)
{
    return PlatformError(u"O núcleo SIP não pôde ser iniciado (código %1)."_s.arg(status));
}

PlatformError natPolicyNotCreated()
{
    return PlatformError(u"Não foi possível configurar a travessia de NAT."_s);
}

PlatformError invalidAddress(const QString &text)
{
    return PlatformError(u"Endereço SIP inválido: %1"_s.arg(text));
}

PlatformError accountNotAccepted()
{
    return PlatformError(u"O núcleo SIP recusou a configuração do ramal."_s);
}

PlatformError answerFailed()
{
    return PlatformError(u"Não foi possível atender a chamada."_s);
}

PlatformError dtmfNotSent()
{
    return PlatformError(u"Não foi possível enviar o tom."_s);
}

PlatformError holdFailed()
{
    return PlatformError(u"Não foi possível colocar a chamada em espera."_s);
}

PlatformError transferNotAccepted()
{
    return PlatformError(u"Não foi possível concluir a transferência."_s);
}

PlatformError secureConnectionFailed()
{
    return PlatformError(u"Não foi possível abrir a conexão segura (TLS) com o servidor: o certificado dele não é "
                         u"confiável ou ele não atende nessa porta."_s);
}

} // namespace vozel::sip
