#pragma once

#include "services/storage/SecretItemStore.h"

#include <gio/gio.h>

#include <chrono>
#include <functional>

namespace vozel {

// Runs one blocking keyring call on a thread of its own and waits for it at most `bound`: a hung
// Secret Service blocks each synchronous D-Bus call for 25 s, which must never freeze the caller.
// The caller only waits on a condition variable, so no event loop runs and nothing of the
// application re-enters meanwhile. When the bound passes, the call's cancellable is cancelled,
// which ends its pending D-Bus request and lets the thread finish; the answer is then
// timedOut, even if the call completes a moment later.
SecretItemStore::ReadResult runWithin(std::chrono::milliseconds bound,
                                      std::function<SecretItemStore::ReadResult(GCancellable *)> call);

} // namespace vozel
