#pragma once

#include <QByteArray>
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

    struct ReadResult {
        std::int32_t status = success;
        std::optional<QByteArray> data;
    };

    virtual ~SecretItemStore() = default;
    virtual ReadResult read(const QString &service, const QString &account) = 0;
    virtual std::int32_t update(const QString &service, const QString &account, const QByteArray &data) = 0;
    virtual std::int32_t add(const QString &service, const QString &account, const QByteArray &data) = 0;
    virtual std::int32_t remove(const QString &service, const QString &account) = 0;
};

} // namespace vozel
