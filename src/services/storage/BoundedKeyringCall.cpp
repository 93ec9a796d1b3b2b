#include "services/storage/BoundedKeyringCall.h"

#include "services/glib/GLibSupport.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vozel {

namespace {

// How long a cancelled call may take to notice; past it the thread is left to end on its own.
constexpr std::chrono::milliseconds cancellationGrace{500};

// Shared by the waiting caller and the worker, so that either may be the last to let go.
struct CallState {
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<SecretItemStore::ReadResult> result;
    const glib::ObjectPtr<GCancellable> cancellable = glib::newCancellable();
};

} // namespace

SecretItemStore::ReadResult runWithin(std::chrono::milliseconds bound,
                                      std::function<SecretItemStore::ReadResult(GCancellable *)> call)
{
    auto state = std::make_shared<CallState>();
    std::thread worker([state, call = std::move(call)] {
        auto result = call(state->cancellable.get());
        const std::lock_guard lock(state->mutex);
        state->result = std::move(result);
        state->finished.notify_all();
    });

    std::unique_lock lock(state->mutex);
    const auto hasResult = [&] { return state->result.has_value(); };
    const bool inTime = state->finished.wait_for(lock, bound, hasResult);
    if (!inTime) {
        g_cancellable_cancel(state->cancellable.get());
        state->finished.wait_for(lock, cancellationGrace, hasResult);
    }
    const bool workerDone = hasResult();
    lock.unlock();

    if (workerDone)
        worker.join();
    else
        worker.detach();
    if (!inTime)
        return {SecretItemStore::timedOut, std::nullopt};
    return *state->result;
}

} // namespace vozel
