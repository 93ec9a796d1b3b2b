#include "services/contacts/ContactEntries.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace vozel {

QString dialableNumber(const QString &text)
{
    QString number;
    for (const QChar c : text) {
        if (c == u'+' || (c >= u'0' && c <= u'9'))
            number.append(c);
    }
    return number;
}

QString contactDisplayName(const AddressBookContact &contact)
{
    QStringList parts;
    if (!contact.givenName.isEmpty())
        parts.append(contact.givenName);
    if (!contact.familyName.isEmpty())
        parts.append(contact.familyName);
    return parts.isEmpty() ? contact.organizationName : parts.join(u' ');
}

QList<ContactPhone> phoneEntries(const AddressBookContact &contact, const AddressBookSource &source)
{
    const QString name = contactDisplayName(contact);
    QList<ContactPhone> entries;
    for (const AddressBookNumber &entry : contact.numbers) {
        const QString number = dialableNumber(entry.text);
        if (number.isEmpty())
            continue;
        entries.append({contact.identifier + u'-' + entry.identifier,
                        name.isEmpty() ? entry.text : name,
                        source.localizedLabel(entry.labelKey),
                        number});
    }
    return entries;
}

} // namespace vozel
