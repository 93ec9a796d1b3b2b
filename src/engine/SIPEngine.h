#pragma once

#include "model/domain/RegistrationState.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelAudioDevice.h"
#include "model/domain/VozelCallState.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace vozel {

// The one seam between the application model and the SIP stack. Everything runs on the
// main thread; callbacks are installed by the owner and a missing callback drops the event.
// Operations that may fail throw a vozel::Failure (VozelError::sipUnavailable or the stack's own error).
class SIPEngine {
public:
    virtual ~SIPEngine() = default;

    // Display name of the most recent incoming caller.
    virtual std::optional<QString> remoteDisplayName() const = 0;

    std::function<void(const RegistrationState &)> onRegistrationChanged;
    std::function<void(const VozelCallState &)> onCallChanged;
    std::function<void()> onAudioDevicesChanged;
    std::function<void(bool ready)> onAttendedTransferChanged;
    std::function<void(const QString &message)> onTransferFailed;
    // Call waiting: a second call rings while a call is up. Its number while it waits; none
    // once its caller gave up or the engine dropped it. Answering or declining it is the
    // owner's own act and is not reported here; when the call it waits behind ends, it goes on
    // ringing as the one call: `idle`, then `incoming` with its number.
    std::function<void(const std::optional<QString> &number)> onWaitingCallChanged;
    // The call held to answer a waiting call is back: the answered call ended and the held
    // one was resumed.
    std::function<void(const QString &number)> onHeldCallResumed;

    virtual void start(const SIPAccount &account) = 0;
    virtual void stop() = 0;

    virtual void call(const QString &number) = 0;
    // Answers the ringing call; a waiting call is answered after the current call is held.
    virtual void answer() = 0;
    // Refuses the waiting call with 486 Busy Here; does nothing when no call waits.
    virtual void declineWaitingCall() = 0;
    virtual void endCall() = 0;
    virtual void sendDTMF(const QString &digit) = 0;
    virtual bool setMuted(bool muted) = 0;
    virtual void setAudioSessionActive(bool active) = 0;

    virtual void beginAttendedTransfer(const QString &target) = 0;
    virtual void completeAttendedTransfer() = 0;

    virtual QList<VozelAudioDevice> audioDevices() const = 0;
    virtual void selectAudioDevice(const QString &id, VozelAudioRoute route) = 0;
    virtual bool setSpeakerEnabled(bool enabled) = 0;
};

} // namespace vozel
