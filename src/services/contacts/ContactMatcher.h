#pragma once

#include "services/contacts/ContactPhone.h"

#include <QList>
#include <QLocale>

namespace vozel {

// Searches a list of entries by name or by digits. The lower-cased names and the digits of
// every number are prepared once, so a query is one linear pass without allocations per entry.
class ContactMatcher {
public:
    ContactMatcher() = default;
    explicit ContactMatcher(const QList<ContactPhone> &entries, const QLocale &locale = QLocale());

    // The positions of the entries whose name contains the trimmed query (case-insensitively, in
    // the locale's rules) or whose number contains the query's digits; in list order.
    QList<qsizetype> matches(const QString &query) const;

private:
    QList<QString> m_foldedNames;
    QList<QString> m_numberDigits;
    QLocale m_locale;
};

} // namespace vozel
