#pragma once

#include "engine/SIPEngine.h"
#include "model/CallHistoryModel.h"
#include "model/ManualAccountEntry.h"
#include "model/domain/CallHistoryItem.h"
#include "model/domain/Cancellation.h"
#include "model/domain/Failure.h"
#include "model/domain/RegistrationState.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelAudioDevice.h"
#include "model/domain/VozelCallState.h"
#include "model/ports/AccountProvisioning.h"
#include "model/ports/CallOriginLookup.h"
#include "model/ports/LoginItem.h"
#include "model/ports/SystemCallManager.h"
#include "services/storage/DefaultsStore.h"
#include "services/storage/KeychainStore.h"

#include <QCoroQmlTask>
#include <QCoroTask>
#include <QObject>
#include <QVariantList>

#include <memory>
#include <optional>

namespace vozel {

// What the model is built from. The model owns all of it for its whole life.
struct ModelDependencies {
    std::unique_ptr<SIPEngine> engine;
    std::unique_ptr<SystemCallManager> systemCalls;
    std::unique_ptr<SecretItemStore> secrets;
    std::unique_ptr<DefaultsStore> defaults;
    std::unique_ptr<AccountProvisioning> provisioning;
    std::unique_ptr<CallOriginLookup> originLookup;
    std::unique_ptr<LoginItem> loginItem;
};

// Everything the user sees, and every action the views can take. Confined to the main
// thread; every published field has a change signal so the views redraw from it.
class VozelModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString number READ number WRITE setNumber NOTIFY numberChanged)
    Q_PROPERTY(QVariant account READ accountForView NOTIFY accountChanged)
    Q_PROPERTY(QVariantList savedAccounts READ savedAccountsForView NOTIFY savedAccountsChanged)
    Q_PROPERTY(QString activeAccountID READ activeAccountIDText NOTIFY activeAccountIDChanged)
    Q_PROPERTY(bool changingAccount READ changingAccount NOTIFY changingAccountChanged)
    Q_PROPERTY(bool canChangeAccount READ canChangeAccount NOTIFY canChangeAccountChanged)
    Q_PROPERTY(vozel::RegistrationState::Kind registrationKind READ registrationKind NOTIFY registrationChanged)
    Q_PROPERTY(QString registrationMessage READ registrationMessage NOTIFY registrationChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(vozel::VozelCallState::Kind callKind READ callKind NOTIFY callStateChanged)
    Q_PROPERTY(QString callNumber READ callNumber NOTIFY callStateChanged)
    Q_PROPERTY(QString callSourceLabel READ callSourceLabel NOTIFY callSourceLabelChanged)
    Q_PROPERTY(QString incomingCallerName READ incomingCallerName NOTIFY incomingCallerNameChanged)
    Q_PROPERTY(bool registrationEnabled READ registrationEnabled NOTIFY registrationEnabledChanged)
    Q_PROPERTY(vozel::CallHistoryModel *history READ historyModel CONSTANT)
    Q_PROPERTY(QVariantList recordingDevices READ recordingDevicesForView NOTIFY audioDevicesChanged)
    Q_PROPERTY(QVariantList playingDevices READ playingDevicesForView NOTIFY audioDevicesChanged)
    Q_PROPERTY(QString microphoneDeviceID READ microphoneDeviceID NOTIFY microphoneDeviceIDChanged)
    Q_PROPERTY(QString callOutputDeviceID READ callOutputDeviceID NOTIFY callOutputDeviceIDChanged)
    Q_PROPERTY(QString ringerDeviceID READ ringerDeviceID NOTIFY ringerDeviceIDChanged)
    Q_PROPERTY(bool speakerEnabled READ speakerEnabled NOTIFY speakerEnabledChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY mutedChanged)
    Q_PROPERTY(bool attendedTransferReady READ attendedTransferReady NOTIFY attendedTransferReadyChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)

public:
    static inline const QString historyKey = QStringLiteral("vozel.call-history.v1");
    static inline const QString registrationEnabledKey = QStringLiteral("vozel.registration-enabled.v1");
    static inline const QString microphoneDeviceKey = QStringLiteral("vozel.audio.microphone.v1");
    static inline const QString callOutputDeviceKey = QStringLiteral("vozel.audio.output.v1");
    static inline const QString ringerDeviceKey = QStringLiteral("vozel.audio.ringer.v1");
    static constexpr int historyLimit = 200;
    static constexpr int numberLimit = 32;

    // Reads the preferences, the history and the stored accounts, and schedules the
    // connection of the active account on the event loop.
    explicit VozelModel(ModelDependencies dependencies, QObject *parent = nullptr);
    ~VozelModel() override;

    // Published state.
    const QString &number() const { return m_number; }
    void setNumber(const QString &number);
    const std::optional<SIPAccount> &account() const { return m_account; }
    const QList<SavedSIPAccount> &savedAccounts() const { return m_savedAccounts; }
    const std::optional<QUuid> &activeAccountID() const { return m_activeAccountID; }
    bool changingAccount() const { return m_changingAccount; }
    bool canChangeAccount() const;
    const RegistrationState &registration() const { return m_registration; }
    const QString &errorMessage() const { return m_errorMessage; }
    void setErrorMessage(const QString &message);
    const VozelCallState &callState() const { return m_callState; }
    const QString &callSourceLabel() const { return m_callSourceLabel; }
    const QString &incomingCallerName() const { return m_incomingCallerName; }
    bool registrationEnabled() const { return m_registrationEnabled; }
    const QList<CallHistoryItem> &history() const { return m_history.rows(); }
    CallHistoryModel *historyModel() { return &m_history; }
    const QList<VozelAudioDevice> &audioDevices() const { return m_audioDevices; }
    const QString &microphoneDeviceID() const { return m_microphoneDeviceID; }
    const QString &callOutputDeviceID() const { return m_callOutputDeviceID; }
    const QString &ringerDeviceID() const { return m_ringerDeviceID; }
    bool speakerEnabled() const { return m_speakerEnabled; }
    bool muted() const { return m_muted; }
    bool attendedTransferReady() const { return m_attendedTransferReady; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    const std::optional<QUuid> &activeHistoryID() const { return m_activeHistoryID; }

    // Accounts and registration.
    QCoro::Task<> selectAccount(QUuid id);
    QCoro::Task<bool> configure(QString qrValue, std::optional<QString> accountName);
    QCoro::Task<bool> saveManualAccount(ManualAccountEntry entry);
    QCoro::Task<> setRegistrationEnabled(bool enabled);
    QCoro::Task<> reset();
    Q_INVOKABLE void renameActiveAccount(const QString &name);

    // Call control.
    Q_INVOKABLE void append(const QString &key);
    Q_INVOKABLE void deleteDigit();
    // Replaces the number with the dialable characters of a pasted text.
    Q_INVOKABLE void pasteNumber(const QString &text);
    void call();
    Q_INVOKABLE void answerIncomingCall();
    // "Recusar": a waiting call is refused as busy, any other ringing call is ended.
    void declineIncomingCall();
    Q_INVOKABLE void toggleMute();
    Q_INVOKABLE void toggleSpeaker();
    // The call button: dials when idle (if there is a number and the extension is connected),
    // otherwise hangs up, declines or cancels.
    Q_INVOKABLE void callOrHangUp();
    Q_INVOKABLE void endCall();
    // Starts an attended transfer; false (with errorMessage set) when it could not start.
    bool beginAttendedTransfer(const QString &target);
    Q_INVOKABLE void completeAttendedTransfer();
    void updateCallState(const VozelCallState &state);

    // History.
    Q_INVOKABLE void deleteHistoryItem(const QString &id);
    Q_INVOKABLE void clearHistory();

    // Preferences.
    Q_INVOKABLE void setMicrophoneDevice(const QString &id);
    Q_INVOKABLE void setCallOutputDevice(const QString &id);
    Q_INVOKABLE void setRingerDevice(const QString &id);
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);
    void refreshAudioDevices();

    // The asynchronous operations as QML awaits them (`.then(function(result) {...})`).
    Q_INVOKABLE QCoro::QmlTask selectAccountFromView(const QString &id);
    Q_INVOKABLE QCoro::QmlTask setRegistrationEnabledFromView(bool enabled);

signals:
    void numberChanged();
    void accountChanged();
    void savedAccountsChanged();
    void activeAccountIDChanged();
    void changingAccountChanged();
    void canChangeAccountChanged();
    void registrationChanged();
    void errorMessageChanged();
    void callStateChanged();
    void callSourceLabelChanged();
    void incomingCallerNameChanged();
    void registrationEnabledChanged();
    void audioDevicesChanged();
    void microphoneDeviceIDChanged();
    void callOutputDeviceIDChanged();
    void ringerDeviceIDChanged();
    void speakerEnabledChanged();
    void mutedChanged();
    void attendedTransferReadyChanged();
    void launchAtLoginChanged();

private:
    class AccountChange;

    QVariant accountForView() const;
    QVariantList savedAccountsForView() const;
    QString activeAccountIDText() const;
    RegistrationState::Kind registrationKind() const { return m_registration.kind; }
    QString registrationMessage() const { return m_registration.message; }
    VozelCallState::Kind callKind() const { return m_callState.kind; }
    QString callNumber() const { return m_callState.number; }
    QVariantList recordingDevicesForView() const;
    QVariantList playingDevicesForView() const;

    void installEngineCallbacks();
    void installSystemCallCallbacks();
    void loadAccounts();
    QCoro::Task<> connectActiveAccountAtStart();
    // Waits, without freezing the window, until the keyring can be read (the desktop asks the user
    // to unlock it, or a slow keyring answers); then loads the accounts and connects, or gives the
    // keyring back the accounts shown after a save that timed out.
    QCoro::Task<> settleWithKeyring();

    bool beginAccountChange();
    void setChangingAccount(bool changing);
    void publishAccounts();
    bool saveCollection(const SIPAccountCollection &collection);
    // Named apart from QObject::connect, which a member called connect would hide.
    QCoro::Task<> connectAccount(SIPAccount account);
    // Saves a changed collection, shows it, and connects its new active account in place of the old one.
    QCoro::Task<bool> storeAndConnect(SIPAccountCollection updated, SIPAccount account);

    void setRegistration(const RegistrationState &state);
    void setCallState(const VozelCallState &state);
    void setCallSourceLabel(const QString &label);
    void setIncomingCallerName(const QString &name);
    void setSpeakerEnabled(bool enabled);
    void setMuted(bool muted);
    void setAttendedTransferReady(bool ready);
    void resetPerCallFields();
    // A call besides the one on screen: the one waiting while a call is up, or the one held
    // to answer it.
    struct OtherCall {
        QString number;
        QString callerName;
        QString sourceLabel;
        std::optional<QUuid> historyID;
        std::optional<CancellationToken> originLookup;
        bool muted = false; // the stack mutes each call on its own
    };
    OtherCall takeCurrentCall();
    void makeCurrent(OtherCall call);
    void waitingCallChanged(const std::optional<QString> &number);
    void dropOtherCall(std::optional<OtherCall> &call);
    void heldCallResumed(const QString &number);

    void handleIncoming(const QString &number);
    std::optional<CancellationToken> startOriginLookup(const QString &number, const QUuid &rowID);
    void cancelOriginLookup();
    QCoro::Task<> lookUpOrigin(SavedSIPAccount account, QString number, QUuid rowID, CancellationToken cancellation);

    void loadHistory();
    void saveHistory();
    void createHistoryRow(const QString &number, CallHistoryItem::Direction direction);
    QUuid addHistoryRow(const QString &number, CallHistoryItem::Direction direction);
    void setOriginLabel(const QUuid &rowID, const QString &label);

    struct DeviceChoice {
        QString &field;
        const QString &key;
        void (VozelModel::*changed)();
    };
    DeviceChoice deviceChoice(VozelAudioRoute route);
    QString storedDeviceID(const QString &key) const;
    void setDeviceChoice(VozelAudioRoute route, const QString &id);
    void applyDevice(VozelAudioRoute route, const QString &id);
    void refreshLaunchAtLogin();

    ModelDependencies m_services;
    KeychainStore m_keychain;

    QString m_number;
    std::optional<SIPAccount> m_account;
    QList<SavedSIPAccount> m_savedAccounts;
    std::optional<QUuid> m_activeAccountID;
    bool m_changingAccount = false;
    RegistrationState m_registration;
    QString m_errorMessage;
    VozelCallState m_callState;
    QString m_callSourceLabel;
    QString m_incomingCallerName;
    bool m_registrationEnabled = true;
    CallHistoryModel m_history;
    QList<VozelAudioDevice> m_audioDevices;
    QString m_microphoneDeviceID;
    QString m_callOutputDeviceID;
    QString m_ringerDeviceID;
    bool m_speakerEnabled = false;
    bool m_muted = false;
    bool m_attendedTransferReady = false;
    bool m_launchAtLogin = false;

    SIPAccountCollection m_accountCollection;
    bool m_accountsLoaded = false;
    bool m_waitingForKeyring = false;
    bool m_saveUnsettled = false; // a save timed out, and may still land in the keyring
    std::optional<CancellationToken> m_originLookup;
    std::optional<QUuid> m_activeHistoryID;
    std::optional<OtherCall> m_waitingCall;
    std::optional<OtherCall> m_heldCall;
    quint64 m_callEnds = 0; // idle reports so far; tells call() that its call already ended
};

} // namespace vozel
