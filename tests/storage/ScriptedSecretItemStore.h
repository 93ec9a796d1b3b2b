#pragma once

#include "InMemorySecretItemStore.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace vozel::test {

// An in-memory secret store that logs every call as "<operation> <account>" and can make any one
// of them fail with a chosen status, or succeed on a read without handing over any data.
class ScriptedSecretItemStore : public InMemorySecretItemStore {
public:
    QStringList calls;
    QHash<QString, std::int32_t> failures;
    QSet<QString> readsWithoutData;

    ReadResult read(const QString &service, const QString &account) override
    {
        const QString call = log(QStringLiteral("read"), account);
        if (failures.contains(call))
            return {failures.value(call), std::nullopt};
        if (readsWithoutData.contains(call))
            return {success, std::nullopt};
        return InMemorySecretItemStore::read(service, account);
    }

    std::int32_t update(const QString &service, const QString &account, const QByteArray &data) override
    {
        const QString call = log(QStringLiteral("update"), account);
        return failures.contains(call) ? failures.value(call)
                                       : InMemorySecretItemStore::update(service, account, data);
    }

    std::int32_t add(const QString &service, const QString &account, const QByteArray &data) override
    {
        const QString call = log(QStringLiteral("add"), account);
        return failures.contains(call) ? failures.value(call) : InMemorySecretItemStore::add(service, account, data);
    }

    std::int32_t remove(const QString &service, const QString &account) override
    {
        const QString call = log(QStringLiteral("remove"), account);
        return failures.contains(call) ? failures.value(call) : InMemorySecretItemStore::remove(service, account);
    }

private:
    QString log(const QString &operation, const QString &account)
    {
        calls.append(operation + u' ' + account);
        return calls.last();
    }
};

} // namespace vozel::test
