#include "services/contacts/ContactOrder.h"

#include <QCollator>

#include <algorithm>

namespace vozel {

namespace {

QString sortName(const AddressBookContact &contact, NameOrder order)
{
    const QString &first = order == NameOrder::givenNameFirst ? contact.givenName : contact.familyName;
    const QString &second = order == NameOrder::givenNameFirst ? contact.familyName : contact.givenName;
    if (first.isEmpty() && second.isEmpty())
        return contact.organizationName;
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + u' ' + second;
}

} // namespace

void sortContacts(QList<AddressBookContact> &contacts, NameOrder order, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);

    struct Keyed {
        QCollatorSortKey key;
        bool unnamed;
        AddressBookContact contact;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(contacts.size());
    for (AddressBookContact &contact : contacts) {
        const QString name = sortName(contact, order);
        // Folded first: in the C locale the collator's keys would otherwise put "bruno" after "Carla".
        keyed.push_back({collator.sortKey(name.toCaseFolded()), name.isEmpty(), std::move(contact)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (a.unnamed != b.unnamed)
            return b.unnamed;
        const int byName = a.key.compare(b.key);
        return byName != 0 ? byName < 0 : a.contact.identifier < b.contact.identifier;
    });
    contacts.clear();
    for (Keyed &entry : keyed)
        contacts.append(std::move(entry.contact));
}

} // namespace vozel
