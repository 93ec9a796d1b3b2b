#pragma once

#include <QString>

namespace vozel {

// One telephone number of an address-book contact, ready to be shown and dialled.
struct ContactPhone {
    QString id;     // contact identifier, "-", number-entry identifier
    QString name;   // the contact's name, or the number as written when the contact has none
    QString label;  // the entry's label in the user's language
    QString number; // only "+" and the digits 0 to 9

    friend bool operator==(const ContactPhone &, const ContactPhone &) = default;
};

} // namespace vozel
