#pragma once

#include <memory>

namespace vozel {

// A flag shared between the owner of an asynchronous task and the task itself;
// the task checks it after every wait and stops quietly once it is set.
class CancellationToken {
public:
    CancellationToken() : m_cancelled(std::make_shared<bool>(false)) {}
    void cancel() { *m_cancelled = true; }
    bool isCancelled() const { return *m_cancelled; }

private:
    std::shared_ptr<bool> m_cancelled;
};

} // namespace vozel
