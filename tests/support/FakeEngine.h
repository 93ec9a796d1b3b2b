#pragma once

#include "FakeServices.h"
#include "engine/SIPEngine.h"
#include "model/domain/VozelError.h"

#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// A scripted engine: records every operation, reports states when the test says so, and
// can be told to fail any operation.
class FakeEngine : public SIPEngine {
public:
    QStringList operations;            // e.g. "start 2001", "stop", "call 2002", "dtmf 5"
    std::optional<QString> displayName;
    QList<VozelAudioDevice> devices;
    QList<QPair<QString, VozelAudioRoute>> selections;
    std::optional<Failure> startFailure, callFailure, answerFailure, dtmfFailure, transferFailure;
    bool audioControlsWork = true; // mute and speaker
    // Run inside call() before it returns, e.g. to report dialing first.
    std::function<void()> duringCall;

    std::optional<QString> remoteDisplayName() const override { return displayName; }

    void start(const SIPAccount &account) override
    {
        reportStopped();
        report(RegistrationState::connecting());
        record(u"start "_s + account.extension, startFailure);
    }

    void stop() override
    {
        record(u"stop"_s);
        reportStopped();
    }

    // What a stop reports, also when a start replaces a running core.
    void reportStopped()
    {
        onAttendedTransferChanged(false);
        report(VozelCallState::idle());
        report(RegistrationState::notConfigured());
    }

    void call(const QString &number) override
    {
        if (duringCall)
            duringCall();
        record(u"call "_s + number, callFailure);
    }

    void answer() override { record(u"answer"_s, answerFailure); }
    void declineWaitingCall() override { operations << u"decline waiting"_s; }
    void sendDTMF(const QString &digit) override { record(u"dtmf "_s + digit, dtmfFailure); }
    void completeAttendedTransfer() override { record(u"complete transfer"_s, transferFailure); }
    void beginAttendedTransfer(const QString &target) override { record(u"transfer "_s + target, transferFailure); }

    void endCall() override
    {
        record(u"end"_s);
        report(VozelCallState::idle());
    }

    bool setMuted(bool muted) override
    {
        operations << u"mute "_s + onOff(muted);
        return audioControlsWork;
    }

    bool setSpeakerEnabled(bool enabled) override
    {
        operations << u"speaker "_s + onOff(enabled);
        return audioControlsWork;
    }

    void setAudioSessionActive(bool active) override { operations << u"audio session "_s + onOff(active); }
    QList<VozelAudioDevice> audioDevices() const override { return devices; }
    void selectAudioDevice(const QString &id, VozelAudioRoute route) override { selections.append({id, route}); }

    void report(const RegistrationState &state) { onRegistrationChanged(state); }
    void report(const VozelCallState &state) { onCallChanged(state); }

private:
    static QString onOff(bool on) { return on ? u"on"_s : u"off"_s; }

    void record(const QString &operation, const std::optional<Failure> &failure = std::nullopt)
    {
        operations << operation;
        if (failure)
            throw *failure;
    }
};

} // namespace vozel::test
