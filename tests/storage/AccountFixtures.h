#pragma once

#include "model/domain/Json.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelError.h"

#include <optional>

namespace vozel::test {

inline SIPAccount storedAccount(const QString &extension)
{
    return {extension, extension, QStringLiteral("sênha€"), QStringLiteral("pbx.example.com"), 5060,
            QStringLiteral("tls"), QStringLiteral("Ramal ") + extension, 300};
}

// The older single-account item as an earlier release stored it.
inline QByteArray legacyData(const QString &extension)
{
    return json::compact(storedAccount(extension).toJson());
}

inline SIPAccountCollection collectionOf(const QStringList &extensions)
{
    SIPAccountCollection collection;
    for (const auto &extension : extensions)
        collection.save(storedAccount(extension), std::nullopt, QStringLiteral("Recepção ") + extension);
    return collection;
}

// The status of the credential-store error the call threw; none when it threw nothing.
template <typename Call>
std::optional<std::int32_t> keychainStatusOf(Call call)
{
    try {
        call();
    } catch (const VozelError &error) {
        if (error.kind() == VozelError::Kind::keychain)
            return error.status();
        throw;
    }
    return std::nullopt;
}

} // namespace vozel::test
