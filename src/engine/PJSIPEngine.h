#pragma once

#include "engine/EngineEnvironment.h"
#include "engine/SIPEngine.h"

#include <memory>

namespace vozel {

namespace sip {
class EngineCore;
}

// The SIP engine over liblinphone: one core for the active account, iterated every 20 ms on
// the main thread. Nothing of liblinphone shows through this header.
class PJSIPEngine final : public SIPEngine {
public:
    PJSIPEngine();
    explicit PJSIPEngine(EngineEnvironment environment);
    ~PJSIPEngine() override;
    PJSIPEngine(const PJSIPEngine &) = delete;
    PJSIPEngine &operator=(const PJSIPEngine &) = delete;

    std::optional<QString> remoteDisplayName() const override;

    void start(const SIPAccount &account) override;
    void stop() override;

    void call(const QString &number) override;
    void answer() override;
    void declineWaitingCall() override;
    void endCall() override;
    void sendDTMF(const QString &digit) override;
    bool setMuted(bool muted) override;
    void setAudioSessionActive(bool active) override;

    void beginAttendedTransfer(const QString &target) override;
    void completeAttendedTransfer() override;

    QList<VozelAudioDevice> audioDevices() const override;
    void selectAudioDevice(const QString &id, VozelAudioRoute route) override;
    bool setSpeakerEnabled(bool enabled) override;

    // For the engine's own tests and benchmark.
    sip::EngineCore &implementation() { return *d; }

private:
    std::shared_ptr<sip::EngineCore> d;
};

} // namespace vozel
