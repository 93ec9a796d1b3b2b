#include "ui/SettingsForm.h"

#include "model/domain/SIPAccount.h"

namespace vozel::ui {

using namespace Qt::StringLiterals;

namespace {

const QString incompleteForm = u"Preencha ramal, senha, servidor e porta."_s;
const QString saving = u"Salvando e tentando conectar…"_s;
const QString manualSaveFailed = u"Não foi possível salvar a configuração."_s;
const QString manualSaved = u"Configuração salva. Verifique o estado do ramal acima."_s;
const QString linkFailed = u"Não foi possível usar o link de configuração."_s;
const QString linkSaved = u"Conta salva."_s;

// A new account's form: empty, on the usual port over UDP.
ManualAccountEntry newAccountForm()
{
    return {.port = u"5060"_s, .transport = u"udp"_s};
}

QString failureLine(const VozelModel *model, const QString &fallback)
{
    if (model && !model->errorMessage().isEmpty())
        return model->errorMessage();
    return fallback;
}

} // namespace

SettingsForm::SettingsForm(QObject *parent) : QObject(parent), m_manual(newAccountForm()) {}

void SettingsForm::setModel(VozelModel *model)
{
    if (m_model == model)
        return;
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (m_model) {
        connect(m_model, &VozelModel::activeAccountIDChanged, this, &SettingsForm::loadAccountNickname);
        // The derived values depend on whether an account is active and a change is running.
        connect(m_model, &VozelModel::accountChanged, this, &SettingsForm::changed);
        connect(m_model, &VozelModel::changingAccountChanged, this, &SettingsForm::changed);
    }
    loadAccountNickname();
    emit modelChanged();
    emit changed();
}

bool SettingsForm::settingUp() const
{
    return m_addingAccount || !m_model || !m_model->account();
}

bool SettingsForm::shouldSaveManualConfiguration() const
{
    // While setting up, the chosen mode decides: a link pasted in link mode is not
    // blocked by the empty manual form that adding opens.
    if (settingUp())
        return m_setupMode == manualMode;
    return m_editingConfiguration;
}

bool SettingsForm::shouldConfigureProvisioning() const
{
    return settingUp() && m_setupMode == linkMode && !m_provisioningURL.trimmed().isEmpty();
}

bool SettingsForm::canFinish() const
{
    if (!m_model || m_model->changingAccount())
        return false;
    return !shouldSaveManualConfiguration() || manualConfigurationIsValid();
}

std::optional<SavedSIPAccount> SettingsForm::activeSavedAccount() const
{
    if (!m_model || !m_model->activeAccountID())
        return std::nullopt;
    for (const SavedSIPAccount &saved : m_model->savedAccounts()) {
        if (saved.id == *m_model->activeAccountID())
            return saved;
    }
    return std::nullopt;
}

void SettingsForm::loadAccountNickname()
{
    const auto saved = activeSavedAccount();
    setAccountNickname(saved ? saved->nameText() : QString());
}

void SettingsForm::beginAdding()
{
    m_addingAccount = true;
    m_editingConfiguration = true;
    m_editingAccountID.reset();
    m_manualName.clear();
    m_manual = newAccountForm();
    m_provisioningURL.clear();
    m_saveStatus.clear();
    emit changed();
}

void SettingsForm::cancelAdding()
{
    // Back to the active account's own sections, not to an edit form left over from adding.
    m_addingAccount = false;
    m_editingConfiguration = false;
    emit changed();
}

void SettingsForm::beginEditing()
{
    if (!m_model || !m_model->account())
        return;
    const SIPAccount &account = *m_model->account();
    const auto saved = activeSavedAccount();
    m_editingAccountID = m_model->activeAccountID();
    m_manualName = saved ? saved->nameText() : QString();
    m_manual = {.extension = account.extension,
                .authUser = account.authUser,
                .password = account.password,
                .host = account.host,
                .port = QString::number(account.port),
                .transport = account.transport.toLower()};
    m_saveStatus.clear();
    m_editingConfiguration = true;
    emit changed();
}

void SettingsForm::cancelEditing()
{
    assign(m_editingConfiguration, false);
}

void SettingsForm::chooseAccount(const QString &id)
{
    const QUuid chosen(id);
    if (m_model && !chosen.isNull())
        m_model->selectAccount(chosen);
    assign(m_editingConfiguration, false);
}

void SettingsForm::renameAccount()
{
    if (m_model)
        m_model->renameActiveAccount(m_accountNickname);
}

void SettingsForm::saveManualConfiguration()
{
    saveManual(false);
}

void SettingsForm::configureProvisioning()
{
    configureLink(false);
}

void SettingsForm::finish()
{
    if (shouldSaveManualConfiguration())
        saveManual(true);
    else if (shouldConfigureProvisioning())
        configureLink(true);
    else
        emit closeRequested();
}

void SettingsForm::removeAccount()
{
    setConfirmingRemoval(false);
    if (m_model)
        m_model->reset();
}

ManualAccountEntry SettingsForm::manualEntry() const
{
    const bool editingExisting = m_editingConfiguration && m_editingAccountID.has_value();
    ManualAccountEntry entry = m_manual;
    // A new account gets its own display name from the model, never the active one's.
    if (editingExisting && m_model && m_model->account())
        entry.displayName = m_model->account()->displayName;
    // An empty name only clears the nickname of the account being edited; a new entry that
    // matches a stored one keeps that one's nickname.
    if (editingExisting || !trimmedName(m_manualName).isEmpty())
        entry.nickname = m_manualName;
    if (editingExisting)
        entry.replacing = m_editingAccountID;
    return entry;
}

void SettingsForm::finishSetup()
{
    m_addingAccount = false;
    m_editingAccountID.reset();
    m_editingConfiguration = false;
    emit changed();
}

QCoro::Task<bool> SettingsForm::saveManual(bool closeAfterSave)
{
    if (!manualConfigurationIsValid()) {
        setSaveStatus(incompleteForm);
        co_return false;
    }
    QPointer<VozelModel> model = m_model;
    if (!model)
        co_return false;
    setSaveStatus(saving);
    const QPointer<SettingsForm> self(this);
    const bool saved = co_await model->saveManualAccount(manualEntry());
    if (!self)
        co_return saved;
    if (!saved) {
        setSaveStatus(failureLine(model, manualSaveFailed));
        co_return false;
    }
    finishSetup();
    loadAccountNickname();
    setSaveStatus(manualSaved);
    if (closeAfterSave)
        emit closeRequested();
    co_return true;
}

QCoro::Task<bool> SettingsForm::configureLink(bool closeAfterSave)
{
    const QString link = m_provisioningURL.trimmed();
    QPointer<VozelModel> model = m_model;
    if (link.isEmpty() || !model)
        co_return false;
    setSaveStatus(saving);
    // An empty name leaves the nickname of an account the link updates as it was.
    std::optional<QString> name;
    if (!trimmedName(m_manualName).isEmpty())
        name = m_manualName;
    const QPointer<SettingsForm> self(this);
    const bool configured = co_await model->configure(link, name);
    if (!self)
        co_return configured;
    if (!configured) {
        setSaveStatus(failureLine(model, linkFailed));
        co_return false;
    }
    finishSetup();
    setSaveStatus(linkSaved);
    if (closeAfterSave)
        emit closeRequested();
    co_return true;
}

} // namespace vozel::ui
