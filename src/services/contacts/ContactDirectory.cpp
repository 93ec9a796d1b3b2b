#include "services/contacts/ContactDirectory.h"

#include "model/domain/Failure.h"
#include "services/contacts/ContactEntries.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

QVariantList toVariantList(const QList<ContactPhone> &entries)
{
    QVariantList list;
    list.reserve(entries.size());
    for (const ContactPhone &entry : entries)
        list.append(QVariant::fromValue(entry));
    return list;
}

} // namespace

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
        setContacts(std::move(entries));
        m_didLoad = true;
    }
    setLoading(false);
}

QList<ContactPhone> ContactDirectory::matches(const QString &query, std::optional<qsizetype> limit) const
{
    return m_matcher.matches(query, limit);
}

void ContactDirectory::reload()
{
    loadIfNeeded(true);
}

QVariantList ContactDirectory::matchesFor(const QString &query, int limit) const
{
    return toVariantList(matches(query, limit < 0 ? std::nullopt : std::optional<qsizetype>(limit)));
}

void ContactDirectory::setContacts(QList<ContactPhone> contacts)
{
    m_contacts = std::move(contacts);
    m_contactList = toVariantList(m_contacts);
    m_matcher = ContactMatcher(m_contacts);
    Q_EMIT contactsChanged();
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
