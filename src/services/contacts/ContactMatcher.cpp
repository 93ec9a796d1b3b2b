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

ContactMatcher::ContactMatcher(const QList<ContactPhone> &entries, const QLocale &locale) : m_locale(locale)
{
    m_foldedNames.reserve(entries.size());
    m_numberDigits.reserve(entries.size());
    for (const ContactPhone &entry : entries) {
        m_foldedNames.append(foldedName(entry.name, m_locale));
        m_numberDigits.append(numericCharacters(entry.number));
    }
}

QList<qsizetype> ContactMatcher::matches(const QString &query) const
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QString foldedQuery = foldedName(trimmed, m_locale);
    const QString queryDigits = numericCharacters(trimmed);

    QList<qsizetype> found;
    for (qsizetype i = 0; i < m_foldedNames.size(); ++i) {
        if (m_foldedNames[i].contains(foldedQuery)
            || (!queryDigits.isEmpty() && m_numberDigits[i].contains(queryDigits)))
            found.append(i);
    }
    return found;
}

} // namespace vozel
