#pragma once

namespace vozel {

// Whether the application starts when the user's session starts.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Throws vozel::Failure with the system's description when the change cannot be made.
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace vozel
