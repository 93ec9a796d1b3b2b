#pragma once

#include "services/contacts/AddressBookSource.h"
#include "services/contacts/ContactPhone.h"

#include <QList>

namespace vozel {

// The dialable form of a number as written: "+" and the digits 0 to 9, nothing else.
QString dialableNumber(const QString &text);

// The name shown for a contact: given and family name, else the organisation; may be empty.
QString contactDisplayName(const AddressBookContact &contact);

// One entry per number of the contact that has something to dial, in the contact's order.
QList<ContactPhone> phoneEntries(const AddressBookContact &contact, const AddressBookSource &source);

} // namespace vozel
