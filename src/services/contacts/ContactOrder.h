#pragma once

#include "services/contacts/AddressBookSource.h"

#include <QLocale>

namespace vozel {

// How the user wants names sorted: by given name ("Ana Souza" before "Bruno Alves") or by family name.
enum class NameOrder { givenNameFirst, familyNameFirst };

// Sorts contacts the way an address book lists them: by name under the locale's collation,
// ignoring case; contacts named by their organisation sort by it; contacts without any name last.
void sortContacts(QList<AddressBookContact> &contacts, NameOrder order, const QLocale &locale = QLocale());

} // namespace vozel
