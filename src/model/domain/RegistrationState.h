#pragma once

#include <QObject>
#include <QString>

namespace vozel {

// What is known about the registration of the active extension.
struct RegistrationState {
    Q_GADGET

public:
    enum class Kind { NotConfigured, Disabled, Connecting, Connected, Failed };
    Q_ENUM(Kind)

    Kind kind = Kind::NotConfigured;
    QString message; // only meaningful for failed

    static RegistrationState notConfigured() { return {Kind::NotConfigured, {}}; }
    static RegistrationState disabled() { return {Kind::Disabled, {}}; }
    static RegistrationState connecting() { return {Kind::Connecting, {}}; }
    static RegistrationState connected() { return {Kind::Connected, {}}; }
    static RegistrationState failed(const QString &message) { return {Kind::Failed, message}; }

    friend bool operator==(const RegistrationState &a, const RegistrationState &b)
    {
        return a.kind == b.kind && (a.kind != Kind::Failed || a.message == b.message);
    }
};

} // namespace vozel
