#include "model/VozelModel.h"

#include "model/domain/VozelError.h"

#include <QPointer>
#include <QTimer>

namespace vozel {

using namespace Qt::StringLiterals;

VozelModel::VozelModel(ModelDependencies dependencies, QObject *parent)
    : QObject(parent), m_services(std::move(dependencies)), m_keychain(*m_services.secrets)
{
    DefaultsStore &defaults = *m_services.defaults;
    m_registrationEnabled = defaults.contains(registrationEnabledKey)
        ? defaults.boolValue(registrationEnabledKey).value_or(false)
        : true;
    m_microphoneDeviceID = storedDeviceID(microphoneDeviceKey);
    m_callOutputDeviceID = storedDeviceID(callOutputDeviceKey);
    m_ringerDeviceID = storedDeviceID(ringerDeviceKey);

    installEngineCallbacks();
    installSystemCallCallbacks();
    m_launchAtLogin = m_services.loginItem->isEnabled();
    loadHistory();
    loadAccounts();

    if (!m_account)
        return;
    if (!m_registrationEnabled) {
        setRegistration(RegistrationState::disabled());
        return;
    }
    // Connecting waits for the event loop, so whoever created the model sees every report.
    QTimer::singleShot(0, this, [this] { connectActiveAccountAtStart(); });
}

VozelModel::~VozelModel()
{
    // The engine and the alert manager outlive nothing of ours: drop their callbacks first.
    m_services.engine->onRegistrationChanged = nullptr;
    m_services.engine->onCallChanged = nullptr;
    m_services.engine->onAudioDevicesChanged = nullptr;
    m_services.engine->onAttendedTransferChanged = nullptr;
    m_services.engine->onTransferFailed = nullptr;
    m_services.engine->onWaitingCallChanged = nullptr;
    m_services.engine->onHeldCallResumed = nullptr;
    m_services.systemCalls->onAnswer = nullptr;
    m_services.systemCalls->onEnd = nullptr;
    m_services.systemCalls->onAudioSessionChanged = nullptr;
    cancelOriginLookup();
    dropOtherCall(m_waitingCall);
    dropOtherCall(m_heldCall);
}

void VozelModel::installEngineCallbacks()
{
    QPointer<VozelModel> self(this);
    SIPEngine &engine = *m_services.engine;
    engine.onRegistrationChanged = [self](const RegistrationState &state) {
        if (self)
            self->setRegistration(state);
    };
    engine.onCallChanged = [self](const VozelCallState &state) {
        if (self)
            self->updateCallState(state);
    };
    engine.onAudioDevicesChanged = [self] {
        if (self)
            self->refreshAudioDevices();
    };
    engine.onAttendedTransferChanged = [self](bool ready) {
        if (self)
            self->setAttendedTransferReady(ready);
    };
    engine.onTransferFailed = [self](const QString &message) {
        if (self)
            self->setErrorMessage(message);
    };
    engine.onWaitingCallChanged = [self](const std::optional<QString> &number) {
        if (self)
            self->waitingCallChanged(number);
    };
    engine.onHeldCallResumed = [self](const QString &number) {
        if (self)
            self->heldCallResumed(number);
    };
}

void VozelModel::installSystemCallCallbacks()
{
    // The alert manager reports from inside its own button and notification handlers;
    // the work runs afterwards on the event loop, never inside them.
    QPointer<VozelModel> self(this);
    SystemCallManager &systemCalls = *m_services.systemCalls;
    systemCalls.onAnswer = [self] {
        QTimer::singleShot(0, self, [self] {
            if (self)
                self->answerIncomingCall();
        });
    };
    systemCalls.onEnd = [self] {
        QTimer::singleShot(0, self, [self] {
            if (self)
                self->declineIncomingCall();
        });
    };
    systemCalls.onAudioSessionChanged = [self](bool active) {
        QTimer::singleShot(0, self, [self, active] {
            if (self)
                self->m_services.engine->setAudioSessionActive(active);
        });
    };
}

void VozelModel::loadAccounts()
{
    try {
        m_accountCollection = m_keychain.loadCollection();
    } catch (const VozelError &error) {
        // A locked or slow keyring is waited for, and the accounts loaded once it answers.
        if (error.kind() == VozelError::Kind::keychain && !m_waitingForKeyring) {
            settleWithKeyring();
            return;
        }
        setErrorMessage(error.description());
        return;
    } catch (const Failure &error) {
        setErrorMessage(error.description());
        return;
    }
    m_accountsLoaded = true;
    publishAccounts();
}

QCoro::Task<> VozelModel::connectActiveAccountAtStart()
{
    if (m_account)
        co_await connectAccount(*m_account);
}

void VozelModel::setNumber(const QString &number)
{
    if (m_number == number)
        return;
    m_number = number;
    emit numberChanged();
}

void VozelModel::setErrorMessage(const QString &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

bool VozelModel::canChangeAccount() const
{
    return m_callState.isIdle() && !m_changingAccount;
}

void VozelModel::setRegistration(const RegistrationState &state)
{
    if (m_registration == state && m_registration.message == state.message)
        return;
    m_registration = state;
    emit registrationChanged();
}

} // namespace vozel
