#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <cstdint>
#include <optional>

namespace vozel {

// A secure store of named data items, identified by a service and an account name.
// Every operation answers with a status: success, "no such item", or any other failure code.
// A store that cannot see its items (locked, unreachable) answers a failure, never "no such item".
class SecretItemStore {
public:
    static constexpr std::int32_t success = 0;
    static constexpr std::int32_t itemNotFound = -25300;
    // The store did not answer in time. A write that timed out may still be applied later.
    static constexpr std::int32_t timedOut = -36;

    struct ReadResult {
        std::int32_t status = success;
        std::optional<QByteArray> data;
    };

    virtual ~SecretItemStore() = default;
    virtual ReadResult read(const QString &service, const QString &account) = 0;
    virtual std::int32_t update(const QString &service, const QString &account, const QByteArray &data) = 0;
    virtual std::int32_t add(const QString &service, const QString &account, const QByteArray &data) = 0;
    virtual std::int32_t remove(const QString &service, const QString &account) = 0;

    // Resumes the caller, without blocking it, once this item can be read: a store that does not
    // answer yet is waited for, and a locked one is unlocked by the user through the desktop's own
    // prompt, for as long as that takes. success, or the failure that stands in the way (a refused
    // prompt among them).
    virtual QCoro::Task<std::int32_t> waitUntilReadable(const QString &service, const QString &account) = 0;
};

} // namespace vozel
