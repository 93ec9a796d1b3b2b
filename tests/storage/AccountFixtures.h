#pragma once

#include "InMemorySecretItemStore.h"
#include "model/domain/Json.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelError.h"

#include <QStringList>

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

// An in-memory secret store that logs every call as "<operation> <account>" and answers the ones
// in `failures` with the status given there; a read answered with success then hands over no data.
class ScriptedSecretItemStore : public InMemorySecretItemStore {
public:
    QStringList calls;
    QHash<QString, std::int32_t> failures;

    ReadResult read(const QString &service, const QString &account) override
    {
        return fails(QStringLiteral("read ") + account) ? ReadResult{failures.value(calls.last()), std::nullopt}
                                            : InMemorySecretItemStore::read(service, account);
    }
    std::int32_t update(const QString &service, const QString &account, const QByteArray &data) override
    {
        return fails(QStringLiteral("update ") + account) ? failures.value(calls.last())
                                              : InMemorySecretItemStore::update(service, account, data);
    }
    std::int32_t add(const QString &service, const QString &account, const QByteArray &data) override
    {
        return fails(QStringLiteral("add ") + account) ? failures.value(calls.last())
                                           : InMemorySecretItemStore::add(service, account, data);
    }
    std::int32_t remove(const QString &service, const QString &account) override
    {
        return fails(QStringLiteral("remove ") + account) ? failures.value(calls.last())
                                              : InMemorySecretItemStore::remove(service, account);
    }

private:
    bool fails(const QString &call)
    {
        calls.append(call);
        return failures.contains(call);
    }
};

} // namespace vozel::test
