#pragma once

#include <QCoroTask>

#include <exception>
#include <optional>

namespace vozel::test {

// The end of a coroutine run to completion in a nested event loop: its value or its exception.
template<typename T>
struct TaskResult {
    std::optional<T> value;
    std::exception_ptr error;

    // Rethrows the stored exception as E; null when the task succeeded or threw something else.
    template<typename E>
    std::optional<E> errorAs() const
    {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const E &e) {
            return e;
        } catch (...) {
        }
        return std::nullopt;
    }
};

// QCoro::waitFor never returns when the task throws, so the exception is caught here first.
template<typename T>
TaskResult<T> runToEnd(QCoro::Task<T> task)
{
    auto settle = [](QCoro::Task<T> running) -> QCoro::Task<TaskResult<T>> {
        TaskResult<T> result;
        try {
            result.value = co_await running;
        } catch (...) {
            result.error = std::current_exception();
        }
        co_return result;
    };
    return QCoro::waitFor(settle(std::move(task)));
}

} // namespace vozel::test
