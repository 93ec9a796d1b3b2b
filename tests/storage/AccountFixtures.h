#pragma once

#include "model/domain/Json.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelError.h"
#include "services/storage/KeychainStore.h"

#include <QStringList>

namespace vozel::test {

inline SIPAccount storedAccount(const QString &extension)
{
    return {extension, extension, QStringLiteral("sênha€"), QStringLiteral("pbx.example.com"), 5060,
            QStringLiteral("tls"), QStringLiteral("Ramal ") + extension, 300};
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

// What reading, updating, adding and removing `item`, then loading the accounts, each answer.
inline QList<std::int32_t> statusesOf(SecretItemStore &items, const QString &item)
{
    const QString &service = KeychainStore::service;
    KeychainStore store(items);
    return {items.read(service, item).status, items.update(service, item, "data"), items.add(service, item, "data"),
            items.remove(service, item), keychainStatusOf([&] { store.loadCollection(); }).value_or(0)};
}

} // namespace vozel::test
