#pragma once

#include "model/VozelModel.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace vozel::ui {

// The editing state of the settings sheet and the flows behind its buttons. Lives as long
// as the sheet is open; every lasting change goes to the model.
class SettingsForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(vozel::VozelModel *model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(QString provisioningURL READ provisioningURL WRITE setProvisioningURL NOTIFY changed)
    Q_PROPERTY(int setupMode READ setupMode WRITE setSetupMode NOTIFY changed)
    Q_PROPERTY(QString manualName READ manualName WRITE setManualName NOTIFY changed)
    Q_PROPERTY(QString manualExtension READ manualExtension WRITE setManualExtension NOTIFY changed)
    Q_PROPERTY(QString manualUser READ manualUser WRITE setManualUser NOTIFY changed)
    Q_PROPERTY(QString manualPassword READ manualPassword WRITE setManualPassword NOTIFY changed)
    Q_PROPERTY(QString manualHost READ manualHost WRITE setManualHost NOTIFY changed)
    Q_PROPERTY(QString manualPort READ manualPort WRITE setManualPort NOTIFY changed)
    Q_PROPERTY(QString manualTransport READ manualTransport WRITE setManualTransport NOTIFY changed)
    Q_PROPERTY(QString accountNickname READ accountNickname WRITE setAccountNickname NOTIFY changed)
    Q_PROPERTY(bool confirmingRemoval READ confirmingRemoval WRITE setConfirmingRemoval NOTIFY changed)
    Q_PROPERTY(bool editingConfiguration READ editingConfiguration NOTIFY changed)
    Q_PROPERTY(bool addingAccount READ addingAccount NOTIFY changed)
    Q_PROPERTY(QString saveStatus READ saveStatus NOTIFY changed)
    Q_PROPERTY(bool manualConfigurationIsValid READ manualConfigurationIsValid NOTIFY changed)
    Q_PROPERTY(bool shouldSaveManualConfiguration READ shouldSaveManualConfiguration NOTIFY changed)
    Q_PROPERTY(bool shouldConfigureProvisioning READ shouldConfigureProvisioning NOTIFY changed)
    Q_PROPERTY(bool canFinish READ canFinish NOTIFY changed)

public:
    static constexpr int linkMode = 0;
    static constexpr int manualMode = 1;

    explicit SettingsForm(QObject *parent = nullptr);

    VozelModel *model() const { return m_model; }
    void setModel(VozelModel *model);

    const QString &provisioningURL() const { return m_provisioningURL; }
    void setProvisioningURL(const QString &value) { assign(m_provisioningURL, value); }
    int setupMode() const { return m_setupMode; }
    void setSetupMode(int value) { assign(m_setupMode, value); }
    const QString &manualName() const { return m_manualName; }
    void setManualName(const QString &value) { assign(m_manualName, value); }
    const QString &manualExtension() const { return m_manual.extension; }
    void setManualExtension(const QString &value) { assign(m_manual.extension, value); }
    const QString &manualUser() const { return m_manual.authUser; }
    void setManualUser(const QString &value) { assign(m_manual.authUser, value); }
    const QString &manualPassword() const { return m_manual.password; }
    void setManualPassword(const QString &value) { assign(m_manual.password, value); }
    const QString &manualHost() const { return m_manual.host; }
    void setManualHost(const QString &value) { assign(m_manual.host, value); }
    const QString &manualPort() const { return m_manual.port; }
    void setManualPort(const QString &value) { assign(m_manual.port, value); }
    const QString &manualTransport() const { return m_manual.transport; }
    void setManualTransport(const QString &value) { assign(m_manual.transport, value); }
    const QString &accountNickname() const { return m_accountNickname; }
    void setAccountNickname(const QString &value) { assign(m_accountNickname, value); }
    bool confirmingRemoval() const { return m_confirmingRemoval; }
    void setConfirmingRemoval(bool value) { assign(m_confirmingRemoval, value); }
    bool editingConfiguration() const { return m_editingConfiguration; }
    bool addingAccount() const { return m_addingAccount; }
    const QString &saveStatus() const { return m_saveStatus; }

    bool manualConfigurationIsValid() const { return m_manual.isComplete(); }
    // Whether "Concluir" saves the manual form: while the active account's connection is
    // edited, or when the setup (first account, or one being added) is in manual mode.
    bool shouldSaveManualConfiguration() const;
    // Whether "Concluir" uses the pasted link: setup in link mode with a link present.
    bool shouldConfigureProvisioning() const;
    bool canFinish() const;

    // Opens the setup for one more account, with an empty form on port 5060 over UDP (the
    // form the first account's setup starts with).
    Q_INVOKABLE void beginAdding();
    Q_INVOKABLE void cancelAdding();
    // Opens the active account's connection for editing, filled with its values.
    Q_INVOKABLE void beginEditing();
    Q_INVOKABLE void cancelEditing();
    // The "Conta ativa" picker: activates the chosen account and leaves editing.
    Q_INVOKABLE void chooseAccount(const QString &id);
    Q_INVOKABLE void renameAccount();
    // The in-form buttons; they never close the sheet.
    Q_INVOKABLE void saveManualConfiguration();
    Q_INVOKABLE void configureProvisioning();
    // "Concluir": saves what is due and closes after success, or just closes.
    Q_INVOKABLE void finish();
    // The confirmed removal of the active account.
    Q_INVOKABLE void removeAccount();

    QCoro::Task<bool> saveManual(bool closeAfterSave);
    QCoro::Task<bool> configureLink(bool closeAfterSave);

signals:
    void modelChanged();
    void changed();
    // The sheet should close.
    void closeRequested();

private:
    template<typename T>
    void assign(T &field, const T &value)
    {
        if (field == value)
            return;
        field = value;
        emit changed();
    }
    void setSaveStatus(const QString &status) { assign(m_saveStatus, status); }
    void loadAccountNickname();
    std::optional<SavedSIPAccount> activeSavedAccount() const;
    bool settingUp() const;
    ManualAccountEntry manualEntry() const;
    void finishSetup();

    QPointer<VozelModel> m_model;
    QString m_provisioningURL;
    int m_setupMode = linkMode;
    QString m_manualName;
    ManualAccountEntry m_manual;
    bool m_editingConfiguration = false;
    QString m_saveStatus;
    bool m_addingAccount = false;
    std::optional<QUuid> m_editingAccountID;
    bool m_confirmingRemoval = false;
    QString m_accountNickname;
};

} // namespace vozel::ui
