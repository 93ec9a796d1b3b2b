#pragma once

#include <linphone++/core.hh>

#include <memory>

namespace vozel::sip {

// Stops a core without holding up the main thread: the stack's own stop() waits there for the
// registrar to confirm the unregistration, a second and more when it does not answer. The core
// is stopped asynchronously and iterated from the event loop until it is off, for a few seconds
// at most, and then released.
void shutDownInBackground(std::shared_ptr<linphone::Core> core);

} // namespace vozel::sip
