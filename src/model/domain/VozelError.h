#pragma once

#include "Failure.h"

#include <cstdint>

namespace vozel {

// The application's own failures, each with its fixed Portuguese message.
class VozelError : public Failure {
public:
    enum class Kind { server, keychain, invalidQRCode, invalidResponse, sipUnavailable };

    static VozelError server(const QString &message);
    static VozelError keychain(std::int32_t status);
    static VozelError invalidQRCode();
    static VozelError invalidResponse();
    static VozelError sipUnavailable();

    Kind kind() const { return m_kind; }
    // The credential store's status code; 0 for every other kind.
    std::int32_t status() const { return m_status; }

    friend bool operator==(const VozelError &a, const VozelError &b)
    {
        return a.m_kind == b.m_kind && a.m_status == b.m_status && a.description() == b.description();
    }

private:
    VozelError(Kind kind, QString message, std::int32_t status = 0);
    Kind m_kind;
    std::int32_t m_status;
};

} // namespace vozel
