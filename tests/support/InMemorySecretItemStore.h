#pragma once

#include "services/storage/SecretItemStore.h"

#include <QHash>
#include <QPair>

namespace vozel::test {

// A secret store kept in memory that can be told to fail every operation with a given status.
class InMemorySecretItemStore : public SecretItemStore {
public:
    QHash<QPair<QString, QString>, QByteArray> items;
    std::int32_t failureStatus = success; // non-zero: every operation answers with it
    int writes = 0;                       // successful updates and adds
    int lateWrites = 0;                   // the next updates that are applied yet answer timedOut

    ReadResult read(const QString &service, const QString &account) override
    {
        if (failureStatus != success)
            return {failureStatus, std::nullopt};
        const auto it = items.constFind({service, account});
        if (it == items.constEnd())
            return {itemNotFound, std::nullopt};
        return {success, *it};
    }

    std::int32_t update(const QString &service, const QString &account, const QByteArray &data) override
    {
        if (failureStatus != success)
            return failureStatus;
        const auto it = items.find({service, account});
        if (it == items.end())
            return itemNotFound;
        *it = data;
        ++writes;
        if (lateWrites == 0)
            return success;
        --lateWrites;
        return timedOut;
    }

    std::int32_t add(const QString &service, const QString &account, const QByteArray &data) override
    {
        if (failureStatus != success)
            return failureStatus;
        items.insert({service, account}, data);
        ++writes;
        return success;
    }

    std::int32_t remove(const QString &service, const QString &account) override
    {
        if (failureStatus != success)
            return failureStatus;
        return items.remove({service, account}) ? success : itemNotFound;
    }

    QCoro::Task<std::int32_t> waitUntilReadable(const QString &, const QString &) override
    {
        co_return failureStatus;
    }
};

} // namespace vozel::test
