#include "engine/EngineCore.h"

#include "engine/CoreEvents.h"
#include "engine/CoreSetup.h"
#include "engine/CoreShutdown.h"
#include "engine/EngineErrors.h"
#include "engine/EngineLog.h"
#include "engine/EventMapping.h"
#include "engine/IterationTimer.h"
#include "engine/NetworkWatch.h"
#include "engine/SipText.h"
#include "model/DialString.h"
#include "model/domain/VozelError.h"

#include <linphone++/account_params.hh>
#include <linphone++/address.hh>
#include <linphone++/auth_info.hh>
#include <linphone++/factory.hh>

#include <QCoreApplication>
#include <QThread>

namespace vozel::sip {

using CallState = linphone::Call::State;

EngineCore::EngineCore(SIPEngine &owner, EngineEnvironment environment)
    : m_owner(&owner), m_environment(std::move(environment)),
      m_networkWatch(std::make_unique<NetworkWatch>(m_environment.systemBus, [this] { refreshRegistration(); })),
      m_soundServer(std::make_unique<SoundServerWatch>([this] { soundServerChanged(); }))
{
}

EngineCore::~EngineCore()
{
    // Unregister now rather than whenever the last reference to the core goes.
    if (m_core) {
        m_core->removeListener(m_listener);
        shutDownInBackground(std::move(m_core));
    }
}

void EngineCore::start(const SIPAccount &account)
{
    stop();
    reportRegistration(RegistrationState::connecting());
    routeStackLogToFile();

    const auto core = createCore(m_environment.dataFolder);
    trustCertificateAuthorities(*core, m_environment.trustedCertificates);
    applyCallSettings(*core);
    const auto natPolicy = applyNatPolicy(*core, m_environment.stunServer);
    const auto listener = std::make_shared<CoreEvents>(weak_from_this());
    core->addListener(listener);

    m_core = core;
    m_listener = listener;
    m_configuredAccount = account;

    if (const auto status = core->start(); status != 0)
        throw coreNotStarted(status);
    startIterateTimer();
    addAccount(account, natPolicy);
    m_knownAudioDevices = audioDevices();
    m_audioDevicesReported = true;
    // Until the sound server has answered there is nothing to tell; its answer is reported.
    if (m_soundServer->state() != SoundServerWatch::State::connecting)
        reportAudioDevicesChanged();
}

void EngineCore::addAccount(const SIPAccount &account, const std::shared_ptr<linphone::NatPolicy> &natPolicy)
{
    const auto factory = linphone::Factory::get();
    // The credentials belong to the identity's user (the extension) and answer its challenges
    // with the auth user as digest user name. No realm and no domain: they answer whatever
    // realm the PBX challenges with.
    m_core->addAuthInfo(factory->createAuthInfo(account.extension.toStdString(), account.authUser.toStdString(),
                                                account.password.toStdString(), "", "", ""));

    const auto params = m_core->createAccountParams();
    const QString identityText = identityUri(account);
    const auto identity = factory->createAddress(identityText.toStdString());
    if (!identity || identity->setDisplayName(account.displayName.toStdString()) != 0
        || params->setIdentityAddress(identity) != 0)
        throw invalidAddress(identityText);

    const QString registrarText = registrarUri(account);
    const auto registrar = factory->createAddress(registrarText.toStdString());
    if (!registrar || params->setServerAddress(registrar) != 0)
        throw invalidAddress(registrarText);

    params->setNatPolicy(natPolicy);
    params->enableRegister(true);
    params->setExpires(registrationLifetime(account.registerExpires));

    const auto created = m_core->createAccount(params);
    if (!created || m_core->addAccount(created) != 0)
        throw accountNotAccepted();
    m_core->setDefaultAccount(created);
}

void EngineCore::stop()
{
    m_iterateTimer.reset();
    m_audioDevicesReported = false;
    m_audioDevicesStale = false;
    if (m_core) {
        if (m_listener)
            m_core->removeListener(m_listener);
        shutDownInBackground(std::move(m_core));
    }
    m_core.reset();
    m_listener.reset();
    m_configuredAccount.reset();
    m_previousOutputDeviceID.reset();
    forgetCalls();
    m_callReportedActive = false;
    m_refreshingRegistration = false;
    m_pendingEvents.clear();

    reportAttendedTransfer(false);
    reportCall(VozelCallState::idle());
    reportRegistration(RegistrationState::notConfigured());
}

void EngineCore::call(const QString &number)
{
    if (number.isEmpty() || !m_core || !m_configuredAccount)
        return;
    const QString target = callTarget(number, m_configuredAccount->host);
    const auto address = linphone::Factory::get()->createAddress(target.toStdString());
    if (!address)
        throw invalidAddress(target);
    if (!m_core->inviteAddress(address))
        throw VozelError::sipUnavailable();
}

void EngineCore::answer()
{
    if (m_waitingCall) {
        answerWaitingCall();
        return;
    }
    const auto call = currentOrRingingCall();
    if (!call)
        throw VozelError::sipUnavailable();
    if (call->accept() != 0)
        throw answerFailed();
}

std::shared_ptr<linphone::Call> EngineCore::currentOrRingingCall() const
{
    if (!m_core)
        return nullptr;
    if (auto current = m_core->getCurrentCall())
        return current;
    // A call that rang behind another one does not become the current call by itself.
    for (const auto &call : m_core->getCalls()) {
        if (callReportFor(call->getState()) == CallReport::incoming)
            return call;
    }
    return nullptr;
}

void EngineCore::endCall()
{
    const auto call = currentOrRingingCall();
    if (call)
        call->terminate();
    // The held call comes back with the ended call's own End event: until then it cannot resume.
    if (call && m_answeredWaiting && sameCall(*call, *m_answeredWaiting) && m_heldForWaiting)
        return;
    m_callReportedActive = false;
    reportCall(VozelCallState::idle());
    promoteWaitingCall();
}

void EngineCore::sendDTMF(const QString &digit)
{
    const auto key = DialString::toneOf(digit);
    const auto call = m_core ? m_core->getCurrentCall() : nullptr;
    if (!key || !call)
        throw VozelError::sipUnavailable();
    if (call->sendDtmf(*key) != 0)
        throw dtmfNotSent();
}

bool EngineCore::setMuted(bool muted)
{
    const auto call = m_core ? m_core->getCurrentCall() : nullptr;
    if (!call)
        return false;
    call->setMicrophoneMuted(muted);
    return call->getMicrophoneMuted() == muted;
}

void EngineCore::setAudioSessionActive(bool active)
{
    if (m_core)
        m_core->activateAudioSession(active);
}

void EngineCore::refreshRegistration()
{
    if (!m_core)
        return;
    // Taking the network down and up again renews the registration over new connections,
    // which is what a changed address or a long suspend needs.
    m_refreshingRegistration = true;
    m_core->setNetworkReachable(false);
    m_core->setNetworkReachable(true);
}

void EngineCore::post(Event event)
{
    Q_ASSERT_X(QThread::currentThread() == QCoreApplication::instance()->thread(), "EngineCore::post",
               "the SIP core reported an event outside the main thread");
    m_pendingEvents.push_back(std::move(event));
}

void EngineCore::startIterateTimer()
{
    m_iterateTimer.reset();
    m_iterateTimer = std::make_unique<IterationTimer>([this] { tick(); });
}

void EngineCore::tick()
{
    if (!m_core)
        return;
    // A report may lead the owner to drop the engine; finish the tick first.
    [[maybe_unused]] const auto keepAlive = shared_from_this();
    ++m_ticks;
    deliverPendingEvents();
    if (const auto core = m_core)
        core->iterate();
    deliverPendingEvents();
    reportEndedCallsWithoutEvent();
}

void EngineCore::deliverPendingEvents()
{
    while (!m_pendingEvents.empty()) {
        const Event event = std::move(m_pendingEvents.front());
        m_pendingEvents.pop_front();
        event(*this);
    }
}

void EngineCore::reportEndedCallsWithoutEvent()
{
    if (!m_callReportedActive || !m_core || m_core->getCallsNb() > 0)
        return;
    m_callReportedActive = false;
    forgetCalls();
    reportAttendedTransfer(false);
    reportCall(VozelCallState::idle());
}

void EngineCore::registrationChanged(linphone::RegistrationState state, const std::string &message)
{
    const bool refreshing = std::exchange(m_refreshingRegistration, false);
    if (refreshing && state == linphone::RegistrationState::None)
        return;
    const bool overTls = m_configuredAccount && m_configuredAccount->transport.compare(u"tls", Qt::CaseInsensitive) == 0;
    if (overTls && state == linphone::RegistrationState::Failed && message == "io error")
        reportRegistration(RegistrationState::failed(secureConnectionFailed().description()));
    else
        reportRegistration(registrationStateFor(state, message));
}

void EngineCore::callStateChanged(const std::shared_ptr<linphone::Call> &call, CallState state)
{
    const auto remote = call->getRemoteAddress();
    const QString number = callNumber(remote);
    if (m_bringingBack && sameCall(*call, *m_bringingBack))
        keepBringingBack(state);
    if (callWaitingStateChanged(call, state, number))
        return;
    if (state == CallState::IncomingReceived || state == CallState::PushIncomingReceived)
        m_remoteDisplayName = displayName(remote);
    if (m_transferConsultation && sameCall(*call, *m_transferConsultation)
        && consultationStateChanged(state, number))
        return;

    switch (callReportFor(state)) {
    case CallReport::incoming:
        m_callReportedActive = true;
        reportCall(VozelCallState::incoming(number));
        break;
    case CallReport::dialing:
        m_callReportedActive = true;
        reportCall(VozelCallState::dialing(number));
        break;
    case CallReport::connected:
        m_callReportedActive = true;
        reportCall(VozelCallState::connected(number));
        break;
    case CallReport::idle:
        if (m_audioDevicesStale && state == CallState::Released)
            soundServerChanged();
        // The end of one call says nothing about another that is still ringing or talking
        // (a new call arriving just before the last one's Released, a held party hanging up):
        // the screen keeps showing that one.
        if (anotherCallGoesOn(*call))
            break;
        m_callReportedActive = false;
        reportCall(VozelCallState::idle());
        break;
    case CallReport::none:
        break;
    }
}

void EngineCore::bringBack(const std::shared_ptr<linphone::Call> &held)
{
    m_bringingBack = held;
    m_bringBackAttempts = 1;
    held->resume();
}

void EngineCore::keepBringingBack(CallState state)
{
    // A call still being held (Pausing) cannot resume yet, and a re-INVITE that crosses the far
    // end's own is refused (491): once it is Paused, ask again.
    if (state == CallState::Paused && m_bringBackAttempts < 3) {
        ++m_bringBackAttempts;
        m_bringingBack->resume();
    } else if (state == CallState::StreamsRunning || callReportFor(state) == CallReport::idle) {
        m_bringingBack.reset();
    }
}

bool EngineCore::anotherCallGoesOn(linphone::Call &ended) const
{
    return !liveCallsBesides(ended).empty();
}

std::vector<std::shared_ptr<linphone::Call>> EngineCore::liveCallsBesides(linphone::Call &call) const
{
    std::vector<std::shared_ptr<linphone::Call>> live;
    if (!m_core)
        return live;
    for (const auto &other : m_core->getCalls()) {
        if (!sameCall(*other, call) && callReportFor(other->getState()) != CallReport::idle)
            live.push_back(other);
    }
    return live;
}

void EngineCore::reportRegistration(const RegistrationState &state)
{
    if (const auto report = m_owner ? m_owner->onRegistrationChanged : nullptr)
        report(state);
}

void EngineCore::reportCall(const VozelCallState &state)
{
    if (const auto report = m_owner ? m_owner->onCallChanged : nullptr)
        report(state);
}

void EngineCore::reportAttendedTransfer(bool ready)
{
    if (const auto report = m_owner ? m_owner->onAttendedTransferChanged : nullptr)
        report(ready);
}

void EngineCore::reportAudioDevicesChanged()
{
    if (const auto report = m_owner ? m_owner->onAudioDevicesChanged : nullptr)
        report();
}

void EngineCore::reportTransferFailed(const QString &message)
{
    if (const auto report = m_owner ? m_owner->onTransferFailed : nullptr)
        report(message);
}

void EngineCore::reportWaitingCall(const std::optional<QString> &number)
{
    if (const auto report = m_owner ? m_owner->onWaitingCallChanged : nullptr)
        report(number);
}

void EngineCore::reportHeldCallResumed(const QString &number)
{
    if (const auto report = m_owner ? m_owner->onHeldCallResumed : nullptr)
        report(number);
}

} // namespace vozel::sip
