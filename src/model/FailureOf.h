#pragma once

#include "model/domain/Failure.h"

#include <QCoroTask>
#include <QString>

#include <optional>

namespace vozel {

// Awaits an operation that may fail and gives back its failure's description, if any, so the
// caller can first check that it still exists and then show the line.
inline QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<> operation)
{
    try {
        co_await std::move(operation);
    } catch (const Failure &error) {
        co_return error.description();
    }
    co_return std::nullopt;
}

} // namespace vozel
