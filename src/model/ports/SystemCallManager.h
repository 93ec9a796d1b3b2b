#pragma once

#include <QString>

#include <functional>

namespace vozel {

// Makes an incoming call hard to miss (ring tone, attention request, floating panel,
// desktop notification) and reports the user's answer or decline back to its owner.
class SystemCallManager {
public:
    virtual ~SystemCallManager() = default;

    std::function<void()> onAnswer;
    std::function<void()> onEnd;
    std::function<void(bool active)> onAudioSessionChanged;

    // Announces a call once; does nothing while a call is already announced.
    virtual void reportIncoming(const QString &number) = 0;
    virtual void updateIncomingIdentity(const QString &number, const QString &callerName,
                                        const QString &sourceLabel) = 0;
    virtual void reportAnswered() = 0;
    virtual void reportEnded() = 0;
    // The output the ring plays on, named as the user chose it; empty for the default.
    virtual void setRingerDevice(const QString &deviceName) = 0;
    // Announces a second call that rings while a call is up, also when one is announced.
    virtual void reportWaitingCall(const QString &number) = 0;
    // The waiting call stopped ringing unanswered: silence and hide; the call that is up goes on.
    virtual void reportWaitingCallEnded() = 0;
};

} // namespace vozel
