#pragma once

#include "engine/EngineEnvironment.h"
#include "engine/SIPEngine.h"
#include "engine/SoundServerWatch.h"

#include <linphone++/account.hh>
#include <linphone++/call.hh>
#include <linphone++/core.hh>
#include <linphone++/enums.hh>

#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vozel::sip {

class CoreEvents;
class IterationTimer;
class NetworkWatch;

// Everything PJSIPEngine does, over one liblinphone core for one account. Reports go to the
// callbacks of the owning engine; after detach() they go nowhere.
//
// Events of the core are queued and delivered in order from the 20 ms tick: first those raised
// since the last tick, then those of the tick's iterate(). The core raises some of them
// synchronously inside the engine's own operations (terminate() ends the call before
// returning, invite() starts it); queueing them keeps every report out of the middle of an
// operation and in the order the user sees things happen: endCall() reports idle at once and
// the call's own End follows from the next tick.
class EngineCore final : public std::enable_shared_from_this<EngineCore> {
public:
    EngineCore(SIPEngine &owner, EngineEnvironment environment);
    ~EngineCore();
    EngineCore(const EngineCore &) = delete;
    EngineCore &operator=(const EngineCore &) = delete;

    // From now on reports go nowhere: the owning engine is gone.
    void detach() { m_owner = nullptr; }

    void start(const SIPAccount &account);
    void stop();

    void call(const QString &number);
    void answer();
    void declineWaitingCall();
    void endCall();
    void sendDTMF(const QString &digit);
    bool setMuted(bool muted);
    void setAudioSessionActive(bool active);

    void beginAttendedTransfer(const QString &target);
    void completeAttendedTransfer();

    QList<VozelAudioDevice> audioDevices() const;
    void selectAudioDevice(const QString &id, VozelAudioRoute route);
    bool setSpeakerEnabled(bool enabled);

    // Renews the registration now, over fresh connections.
    void refreshRegistration();

    const std::optional<QString> &remoteDisplayName() const { return m_remoteDisplayName; }

    // For the engine's tests and benchmark: the running core and its listener, and how many
    // ticks have run.
    const std::shared_ptr<linphone::Core> &core() const { return m_core; }
    const std::shared_ptr<CoreEvents> &listener() const { return m_listener; }
    quint64 ticks() const { return m_ticks; }

    using Event = std::function<void(EngineCore &)>;
    void post(Event event);

    // Event handlers, run from the tick.
    void registrationChanged(linphone::RegistrationState state, const std::string &message);
    void callStateChanged(const std::shared_ptr<linphone::Call> &call, linphone::Call::State state);
    void transferStateChanged(const std::shared_ptr<linphone::Call> &transferred, linphone::Call::State state);
    void audioDevicesUpdated();

private:
    void startIterateTimer();
    void tick();
    void deliverPendingEvents();
    void reportEndedCallsWithoutEvent();
    // Resumes a held call, asking again until it talks (see keepBringingBack).
    void bringBack(const std::shared_ptr<linphone::Call> &held);
    void keepBringingBack(linphone::Call::State state);
    bool anotherCallGoesOn(linphone::Call &ended) const;
    // The calls of the core that have not ended, but for `call`.
    std::vector<std::shared_ptr<linphone::Call>> liveCallsBesides(linphone::Call &call) const;
    // Call waiting's part of a call event; true when it has reported everything for the event.
    bool callWaitingStateChanged(const std::shared_ptr<linphone::Call> &call, linphone::Call::State state,
                                 const QString &number);
    void waitOrRefuse(const std::shared_ptr<linphone::Call> &call, const QString &number);
    void answerWaitingCall();
    std::shared_ptr<linphone::Call> currentOrRingingCall() const;
    bool returnToHeldCall();
    void promoteWaitingCall();
    // Drops every call the engine keeps track of (transfer, call waiting, a handed-over call).
    void forgetCalls();
    // The transfer's part of a call event; true when it has reported everything for the event.
    bool consultationStateChanged(linphone::Call::State state, const QString &number);
    bool endConsultation(const QString &number);
    void forgetTransfer();
    bool soundServerKnowsDevices() const;
    std::shared_ptr<linphone::AudioDevice> stackDeviceWithId(const QString &id) const;
    QString idOfStackDevice(const std::shared_ptr<const linphone::AudioDevice> &device) const;
    QString loudspeakerId() const;
    // Plays the call, and calls to come, on that device.
    void playCallOn(const QString &id, const std::shared_ptr<linphone::AudioDevice> &device);
    void soundServerChanged();
    void addAccount(const SIPAccount &account, const std::shared_ptr<linphone::NatPolicy> &natPolicy);

    void reportRegistration(const RegistrationState &state);
    void reportCall(const VozelCallState &state);
    void reportAttendedTransfer(bool ready);
    void reportAudioDevicesChanged();
    void reportTransferFailed(const QString &message);
    void reportWaitingCall(const std::optional<QString> &number);
    void reportHeldCallResumed(const QString &number);

    SIPEngine *m_owner;
    const EngineEnvironment m_environment;

    std::optional<QString> m_remoteDisplayName;
    std::shared_ptr<linphone::Core> m_core;
    std::shared_ptr<CoreEvents> m_listener;
    std::optional<SIPAccount> m_configuredAccount;
    std::optional<QString> m_previousOutputDeviceID;
    std::shared_ptr<linphone::Call> m_transferSource;
    std::shared_ptr<linphone::Call> m_transferConsultation;
    bool m_transferConsultationConnected = false;
    // A completed transfer until the far end says how it went: the party handed over and the
    // consultation call, kept so that a refusal brings the held party back.
    std::shared_ptr<linphone::Call> m_handedOver;
    std::shared_ptr<linphone::Call> m_handedOverConsultation;
    // A held call being brought back, until it talks again.
    std::shared_ptr<linphone::Call> m_bringingBack;
    int m_bringBackAttempts = 0;
    // Call waiting: the second call while it rings, the call held to answer it, and the
    // answered one, whose end brings the held call back.
    std::shared_ptr<linphone::Call> m_waitingCall;
    std::shared_ptr<linphone::Call> m_heldForWaiting;
    std::shared_ptr<linphone::Call> m_answeredWaiting;
    bool m_callReportedActive = false;
    std::unique_ptr<IterationTimer> m_iterateTimer;

    std::unique_ptr<NetworkWatch> m_networkWatch;
    // The stack does not notice sound devices coming and going; the sound server tells.
    std::unique_ptr<SoundServerWatch> m_soundServer;
    // Devices are reported from a complete start to the next stop.
    bool m_audioDevicesReported = false;
    // The server changed its devices during a call; the stack reads them once the call ends.
    bool m_audioDevicesStale = false;
    // The list as the owner last heard of it.
    QList<VozelAudioDevice> m_knownAudioDevices;
    std::deque<Event> m_pendingEvents;
    // A refresh passes through "network down"; that is not news for the user.
    bool m_refreshingRegistration = false;
    quint64 m_ticks = 0;
};

} // namespace vozel::sip
