#include "services/contacts/ContactDirectory.h"

#include "model/domain/Failure.h"
#include "services/contacts/ContactEntries.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace vozel {

ContactDirectory::ContactDirectory(QObject *parent)
    : ContactDirectory([] { return std::make_unique<EvolutionAddressBook>(); }, parent)
{
}

ContactDirectory::ContactDirectory(AddressBookSourceFactory openSource, QObject *parent)
    : QObject(parent), m_openSource(std::move(openSource))
{
}

QCoro::Task<> ContactDirectory::loadIfNeeded(bool force)
{
    if (m_loading || (m_didLoad && !force))
        co_return;
    setLoading(true);
    setFailure(false, QString());

    // The source belongs to this load, so it outlives every wait below even if the directory goes.
    const std::unique_ptr<AddressBookSource> source = m_openSource();
    const QPointer<ContactDirectory> self = this;
    std::optional<QString> failure;
    bool refused = false;
    QList<ContactPhone> entries;
    try {
        refused = !co_await source->requestAccess();
        if (self && !refused) {
            const QList<AddressBookContact> read = co_await source->readContacts();
            for (const AddressBookContact &contact : read)
                entries.append(phoneEntries(contact, *source));
        }
    } catch (const Failure &error) {
        failure = error.description();
    }
    if (!self)
        co_return;

    if (refused) {
        m_didLoad = false;
        setFailure(true, u"O sistema não liberou o acesso à agenda."_s);
    } else if (failure) {
        m_didLoad = false;
        setFailure(true, *failure);
    } else {
        m_contacts.setEntries(std::move(entries));
        m_didLoad = true;
    }
    setLoading(false);
}

void ContactDirectory::reload()
{
    loadIfNeeded(true);
}

void ContactDirectory::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged();
}

void ContactDirectory::setFailure(bool denied, const QString &message)
{
    if (m_accessDenied != denied) {
        m_accessDenied = denied;
        Q_EMIT accessDeniedChanged();
    }
    if (m_accessError != message) {
        m_accessError = message;
        Q_EMIT accessErrorChanged();
    }
}

} // namespace vozel
