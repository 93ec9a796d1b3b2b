#pragma once

#include <QString>

namespace vozel {

// What is known about the registration of the active extension.
struct RegistrationState {
    enum class Kind { notConfigured, disabled, connecting, connected, failed };

    Kind kind = Kind::notConfigured;
    QString message; // only meaningful for failed

    static RegistrationState notConfigured() { return {Kind::notConfigured, {}}; }
    static RegistrationState disabled() { return {Kind::disabled, {}}; }
    static RegistrationState connecting() { return {Kind::connecting, {}}; }
    static RegistrationState connected() { return {Kind::connected, {}}; }
    static RegistrationState failed(const QString &message) { return {Kind::failed, message}; }

    friend bool operator==(const RegistrationState &a, const RegistrationState &b)
    {
        return a.kind == b.kind && (a.kind != Kind::failed || a.message == b.message);
    }
};

} // namespace vozel
