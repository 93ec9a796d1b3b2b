#pragma once

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
    bool muteWorks = true;
    bool speakerWorks = true;
    bool running = false;
    // Run inside call() before it returns, e.g. to report dialing first.
    std::function<void()> duringCall;

    std::optional<QString> remoteDisplayName() const override { return displayName; }

    QCoro::Task<> start(SIPAccount account) override
    {
        operations << u"start "_s + account.extension;
        reportStopped();
        report(RegistrationState::connecting());
        if (startFailure)
            throw *startFailure;
        running = true;
        co_return;
    }

    void stop() override
    {
        operations << u"stop"_s;
        reportStopped();
    }

    // What a stop reports, also when a start replaces a running core.
    void reportStopped()
    {
        running = false;
        if (onAttendedTransferChanged)
            onAttendedTransferChanged(false);
        if (onCallChanged)
            onCallChanged(VozelCallState::idle());
        report(RegistrationState::notConfigured());
    }

    QCoro::Task<> call(QString number) override
    {
        operations << u"call "_s + number;
        if (duringCall)
            duringCall();
        if (callFailure)
            throw *callFailure;
        co_return;
    }

    void answer() override
    {
        operations << u"answer"_s;
        if (answerFailure)
            throw *answerFailure;
    }

    void endCall() override
    {
        operations << u"end"_s;
        if (onCallChanged)
            onCallChanged(VozelCallState::idle());
    }

    void sendDTMF(const QString &digit) override
    {
        operations << u"dtmf "_s + digit;
        if (dtmfFailure)
            throw *dtmfFailure;
    }

    bool setMuted(bool muted) override
    {
        operations << u"mute "_s + (muted ? u"on"_s : u"off"_s);
        return muteWorks;
    }

    void setAudioSessionActive(bool active) override
    {
        operations << u"audio session "_s + (active ? u"on"_s : u"off"_s);
    }

    QCoro::Task<> beginAttendedTransfer(QString target) override
    {
        operations << u"transfer "_s + target;
        if (transferFailure)
            throw *transferFailure;
        co_return;
    }

    void completeAttendedTransfer() override
    {
        operations << u"complete transfer"_s;
        if (transferFailure)
            throw *transferFailure;
    }

    QList<VozelAudioDevice> audioDevices() const override { return devices; }

    void selectAudioDevice(const QString &id, VozelAudioRoute route) override { selections.append({id, route}); }

    bool setSpeakerEnabled(bool enabled) override
    {
        operations << u"speaker "_s + (enabled ? u"on"_s : u"off"_s);
        return speakerWorks;
    }

    void report(const RegistrationState &state)
    {
        if (onRegistrationChanged)
            onRegistrationChanged(state);
    }

    void report(const VozelCallState &state)
    {
        if (onCallChanged)
            onCallChanged(state);
    }
};

} // namespace vozel::test
