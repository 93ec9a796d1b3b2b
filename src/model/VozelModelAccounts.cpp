#include "model/VozelModel.h"

#include "model/domain/VozelError.h"

#include <QPointer>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

const QString keychainUnreadableMessage =
    u"Não foi possível abrir as contas no chaveiro do sistema. Reabra o Vozel antes de alterar as configurações."_s;
const QString endCallFirstMessage = u"Encerre a ligação antes de alterar a conta."_s;

} // namespace

// Holds the account-change gate for the life of one operation and releases it on every
// path out, errors included; it tolerates the model being gone by then.
class VozelModel::AccountChange {
public:
    explicit AccountChange(VozelModel *model) : m_model(model) {}
    ~AccountChange()
    {
        if (m_model)
            m_model->setChangingAccount(false);
    }
    AccountChange(const AccountChange &) = delete;
    AccountChange &operator=(const AccountChange &) = delete;

private:
    QPointer<VozelModel> m_model;
};

bool VozelModel::beginAccountChange()
{
    if (!m_accountsLoaded) {
        setErrorMessage(keychainUnreadableMessage);
        settleWithKeyring();
        return false;
    }
    if (!canChangeAccount()) {
        setErrorMessage(endCallFirstMessage);
        return false;
    }
    setChangingAccount(true);
    return true;
}

void VozelModel::setChangingAccount(bool changing)
{
    if (m_changingAccount == changing)
        return;
    m_changingAccount = changing;
    emit changingAccountChanged();
    emit canChangeAccountChanged();
}

void VozelModel::publishAccounts()
{
    if (m_savedAccounts != m_accountCollection.accounts) {
        m_savedAccounts = m_accountCollection.accounts;
        emit savedAccountsChanged();
    }
    const auto active = m_accountCollection.active();
    const std::optional<QUuid> activeID = active ? std::optional(active->id) : std::nullopt;
    if (m_activeAccountID != activeID) {
        m_activeAccountID = activeID;
        emit activeAccountIDChanged();
    }
    const std::optional<SIPAccount> account = active ? std::optional(active->account) : std::nullopt;
    if (m_account != account) {
        m_account = account;
        emit accountChanged();
    }
}

bool VozelModel::saveCollection(const SIPAccountCollection &collection)
{
    try {
        m_keychain.saveCollection(collection);
        m_saveUnsettled = false;
        return true;
    } catch (const VozelError &error) {
        setErrorMessage(error.description());
        if (error.kind() == VozelError::Kind::keychain && error.status() == SecretItemStore::timedOut) {
            m_saveUnsettled = true;
            settleWithKeyring();
        }
        return false;
    } catch (const Failure &error) {
        setErrorMessage(error.description());
        return false;
    }
}

QCoro::Task<> VozelModel::settleWithKeyring()
{
    if (m_waitingForKeyring)
        co_return;
    m_waitingForKeyring = true;
    QPointer<VozelModel> self(this);
    const auto status = co_await m_services.secrets->waitUntilReadable(KeychainStore::service,
                                                                       KeychainStore::collectionItem);
    if (!self)
        co_return;
    if (m_accountsLoaded) {
        m_waitingForKeyring = false;
        // The save that timed out may have landed since: the keyring gets back what is shown.
        if (m_saveUnsettled && status == SecretItemStore::success)
            saveCollection(m_accountCollection);
        co_return;
    }
    if (status == SecretItemStore::success)
        loadAccounts();
    m_waitingForKeyring = false;
    if (status != SecretItemStore::success)
        setErrorMessage(keychainUnreadableMessage);
    if (!m_accountsLoaded || !m_account)
        co_return;
    if (!m_registrationEnabled) {
        setRegistration(RegistrationState::disabled());
        co_return;
    }
    co_await connectAccount(*m_account);
}

QCoro::Task<> VozelModel::connectAccount(SIPAccount account)
{
    if (!m_registrationEnabled) {
        setRegistration(RegistrationState::disabled());
        co_return;
    }
    try {
        m_services.engine->start(account);
    } catch (const Failure &error) {
        setRegistration(RegistrationState::failed(error.description()));
        setErrorMessage(error.description());
        co_return;
    }
    refreshAudioDevices();
}

QCoro::Task<bool> VozelModel::storeAndConnect(SIPAccountCollection updated, SIPAccount account)
{
    if (!saveCollection(updated))
        co_return false;
    m_accountCollection = updated;
    publishAccounts();
    m_services.engine->stop();
    co_await connectAccount(account);
    co_return true;
}

QCoro::Task<> VozelModel::selectAccount(QUuid id)
{
    if (m_activeAccountID == id || !beginAccountChange())
        co_return;
    AccountChange change(this);
    const bool known = std::any_of(m_accountCollection.accounts.cbegin(), m_accountCollection.accounts.cend(),
                                   [&](const SavedSIPAccount &entry) { return entry.id == id; });
    if (!known)
        co_return;
    SIPAccountCollection updated = m_accountCollection;
    updated.activeID = id;
    if (!saveCollection(updated))
        co_return;
    m_services.engine->stop();
    m_accountCollection = updated;
    publishAccounts();
    setNumber(QString());
    setRegistration(m_registrationEnabled ? RegistrationState::connecting() : RegistrationState::disabled());
    if (m_account)
        co_await connectAccount(*m_account);
}

QCoro::Task<bool> VozelModel::configure(QString qrValue, std::optional<QString> accountName)
{
    if (!beginAccountChange())
        co_return false;
    QPointer<VozelModel> self(this);
    AccountChange change(this);
    SIPAccount account;
    std::optional<QString> failure;
    try {
        account = co_await m_services.provisioning->provision(qrValue);
    } catch (const Failure &error) {
        failure = error.description();
    }
    if (!self)
        co_return false;
    if (failure) {
        setErrorMessage(*failure);
        co_return false;
    }
    // A call may have arrived while the server was answering.
    if (!m_callState.isIdle()) {
        setErrorMessage(endCallFirstMessage);
        co_return false;
    }
    SIPAccountCollection updated = m_accountCollection;
    updated.save(account, std::nullopt, accountName, true);
    co_return co_await storeAndConnect(updated, account);
}

QCoro::Task<bool> VozelModel::saveManualAccount(ManualAccountEntry entry)
{
    if (!beginAccountChange())
        co_return false;
    AccountChange change(this);
    if (!entry.isComplete()) {
        // The form refuses a bad port itself; the fields every caller must give keep their own line.
        setErrorMessage(entry.hasRequiredFields() ? u"Preencha ramal, senha, servidor e porta."_s
                                                  : u"Preencha ramal, senha e servidor."_s);
        co_return false;
    }
    const QString extension = entry.extension.trimmed();
    const QString authUser = entry.authUser.trimmed();
    const SIPAccount account{
        extension,
        authUser.isEmpty() ? extension : authUser,
        entry.password,
        entry.host.trimmed(),
        *ManualAccountEntry::parsePort(entry.port),
        entry.transport.toLower(),
        entry.displayName.isEmpty() ? u"Ramal "_s + extension : entry.displayName,
        600,
    };
    SIPAccountCollection updated = m_accountCollection;
    updated.save(account, entry.replacing, entry.nickname);
    co_return co_await storeAndConnect(updated, account);
}

QCoro::Task<> VozelModel::setRegistrationEnabled(bool enabled)
{
    if (!beginAccountChange())
        co_return;
    AccountChange change(this);
    if (m_registrationEnabled != enabled) {
        m_registrationEnabled = enabled;
        emit registrationEnabledChanged();
    }
    m_services.defaults->setBool(registrationEnabledKey, enabled);
    if (enabled && m_account) {
        co_await connectAccount(*m_account);
        co_return;
    }
    m_services.engine->stop();
    setRegistration(m_account ? RegistrationState::disabled() : RegistrationState::notConfigured());
}

QCoro::Task<> VozelModel::reset()
{
    if (!beginAccountChange())
        co_return;
    AccountChange change(this);
    SIPAccountCollection updated = m_accountCollection;
    updated.removeActive();
    if (!saveCollection(updated))
        co_return;
    m_services.engine->stop();
    m_accountCollection = updated;
    publishAccounts();
    setNumber(QString());
    if (!m_account) {
        setRegistration(RegistrationState::notConfigured());
        co_return;
    }
    setRegistration(m_registrationEnabled ? RegistrationState::connecting() : RegistrationState::disabled());
    co_await connectAccount(*m_account);
}

void VozelModel::renameActiveAccount(const QString &name)
{
    if (!m_accountsLoaded || !m_activeAccountID)
        return;
    SIPAccountCollection updated = m_accountCollection;
    const auto entry = std::find_if(updated.accounts.begin(), updated.accounts.end(),
                                    [&](const SavedSIPAccount &saved) { return saved.id == *m_activeAccountID; });
    if (entry == updated.accounts.end())
        return;
    entry->name = trimmedName(name);
    if (!saveCollection(updated))
        return;
    m_accountCollection = updated;
    publishAccounts();
}

} // namespace vozel
