#include "services/contacts/ContactMatcher.h"

namespace vozel {

namespace {

// The numeric characters of a text in order, whatever script they are written in.
QString numericCharacters(const QString &text)
{
    QString digits;
    for (const char32_t codePoint : text.toUcs4()) {
        if (QChar::isNumber(codePoint))
            digits.append(QString::fromUcs4(&codePoint, 1));
    }
    return digits;
}

// Names compare as one form whichever way they were typed: "ã" as one character or as "a" plus a tilde.
QString foldedName(const QString &text, const QLocale &locale)
{
    return locale.toLower(text.normalized(QString::NormalizationForm_C));
}

} // namespace

ContactMatcher::ContactMatcher(QList<ContactPhone> entries, const QLocale &locale)
    : m_entries(std::move(entries)), m_locale(locale)
{
    m_foldedNames.reserve(m_entries.size());
    m_numberDigits.reserve(m_entries.size());
    for (const ContactPhone &entry : std::as_const(m_entries)) {
        m_foldedNames.append(foldedName(entry.name, m_locale));
        m_numberDigits.append(numericCharacters(entry.number));
    }
}

QList<ContactPhone> ContactMatcher::matches(const QString &query, std::optional<qsizetype> limit) const
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QString foldedQuery = foldedName(trimmed, m_locale);
    const QString queryDigits = numericCharacters(trimmed);
    const qsizetype wanted = limit ? std::max<qsizetype>(*limit, 0) : m_entries.size();

    QList<ContactPhone> found;
    for (qsizetype i = 0; i < m_entries.size() && found.size() < wanted; ++i) {
        if (m_foldedNames[i].contains(foldedQuery)
            || (!queryDigits.isEmpty() && m_numberDigits[i].contains(queryDigits)))
            found.append(m_entries[i]);
    }
    return found;
}

} // namespace vozel
