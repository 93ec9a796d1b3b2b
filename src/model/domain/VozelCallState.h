#pragma once

#include <QString>

namespace vozel {

// The one call the phone handles at a time, with the remote number where there is a call.
struct VozelCallState {
    enum class Kind { idle, incoming, dialing, connected };

    Kind kind = Kind::idle;
    QString number;

    static VozelCallState idle() { return {Kind::idle, {}}; }
    static VozelCallState incoming(const QString &number) { return {Kind::incoming, number}; }
    static VozelCallState dialing(const QString &number) { return {Kind::dialing, number}; }
    static VozelCallState connected(const QString &number) { return {Kind::connected, number}; }

    bool isIdle() const { return kind == Kind::idle; }

    friend bool operator==(const VozelCallState &a, const VozelCallState &b)
    {
        return a.kind == b.kind && (a.kind == Kind::idle || a.number == b.number);
    }
};

} // namespace vozel
