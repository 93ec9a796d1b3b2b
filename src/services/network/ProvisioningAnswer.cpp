#include "ProvisioningAnswer.h"

#include "LegacyLinphoneProvisioning.h"
#include "model/domain/Json.h"
#include "model/domain/VozelError.h"

#include <optional>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

struct CurrentAnswer {
    bool ok = false;
    qint64 version = 0;
    SIPAccount account;
};

std::optional<CurrentAnswer> decodeCurrent(const QByteArray &body)
{
    try {
        const QJsonObject object = json::parseObject(body);
        return CurrentAnswer{json::requireBool(object, "ok"_L1), json::requireInteger(object, "version"_L1),
                             SIPAccount::fromJson(json::requireObject(object, "account"_L1))};
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

std::optional<QString> decodeErrorText(const QByteArray &body)
{
    try {
        return json::requireString(json::parseObject(body), "error"_L1);
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

} // namespace

SIPAccount ProvisioningAnswer::account(const QByteArray &body)
{
    const auto current = decodeCurrent(body);
    if (!current) {
        if (auto legacy = LegacyLinphoneProvisioning::account(body))
            return *legacy;
        throw VozelError::invalidResponse();
    }
    const SIPAccount &account = current->account;
    if (!current->ok || current->version != 1 || account.extension.isEmpty() || account.password.isEmpty()
        || account.host.isEmpty())
        throw VozelError::invalidResponse();
    return account;
}

QString ProvisioningAnswer::errorMessage(const QByteArray &body)
{
    const QString message = decodeErrorText(body).value_or(QString());
    // A blank text would leave the user looking at an empty alert.
    if (message.trimmed().isEmpty())
        return u"Não foi possível configurar o ramal."_s;
    return message;
}

} // namespace vozel
