#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace vozel {

// One telephone entry of a contact as the address book stores it.
struct AddressBookNumber {
    QString identifier; // stable across reads of the same contact
    QString labelKey;   // the address book's own label key, or a label the user wrote; empty for none
    QString text;       // the number as the user wrote it

    friend bool operator==(const AddressBookNumber &, const AddressBookNumber &) = default;
};

struct AddressBookContact {
    QString identifier;
    QString givenName;
    QString familyName;
    QString organizationName;
    QList<AddressBookNumber> numbers; // in the contact's own order

    friend bool operator==(const AddressBookContact &, const AddressBookContact &) = default;
};

// The desktop address book, opened afresh for every load. Both waits resume on the main thread.
class AddressBookSource {
public:
    virtual ~AddressBookSource() = default;

    // True when the address book may be read, false when the system refuses it.
    // Throws Failure when the request itself fails.
    virtual QCoro::Task<bool> requestAccess() = 0;

    // Every contact, in the order the user sorts names in. Throws Failure when reading fails.
    virtual QCoro::Task<QList<AddressBookContact>> readContacts() = 0;

    // The label key in the user's language; the empty key gives the label of an unlabelled entry.
    virtual QString localizedLabel(const QString &labelKey) const = 0;
};

using AddressBookSourceFactory = std::function<std::unique_ptr<AddressBookSource>()>;

} // namespace vozel
