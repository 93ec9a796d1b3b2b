#pragma once

#include <QObject>
#include <QString>

namespace vozel {

// The one call the phone handles at a time, with the remote number where there is a call.
struct VozelCallState {
    Q_GADGET

public:
    enum class Kind { Idle, Incoming, Dialing, Connected };
    Q_ENUM(Kind)

    Kind kind = Kind::Idle;
    QString number;

    static VozelCallState idle() { return {Kind::Idle, {}}; }
    static VozelCallState incoming(const QString &number) { return {Kind::Incoming, number}; }
    static VozelCallState dialing(const QString &number) { return {Kind::Dialing, number}; }
    static VozelCallState connected(const QString &number) { return {Kind::Connected, number}; }

    bool isIdle() const { return kind == Kind::Idle; }

    friend bool operator==(const VozelCallState &a, const VozelCallState &b)
    {
        return a.kind == b.kind && (a.kind == Kind::Idle || a.number == b.number);
    }
};

} // namespace vozel
