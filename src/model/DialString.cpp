#include "model/DialString.h"

#include <QList>
#include <QStringView>

namespace vozel::DialString {

qsizetype length(const QString &text)
{
    return QStringView(text).toUcs4().size();
}

QString withoutLastCharacter(const QString &text)
{
    if (text.isEmpty())
        return text;
    const qsizetype cut = text.size() >= 2 && text.back().isLowSurrogate() && text.at(text.size() - 2).isHighSurrogate()
        ? 2
        : 1;
    return text.first(text.size() - cut);
}

QString dialablePart(const QString &text, qsizetype limit)
{
    QString result;
    qsizetype count = 0;
    for (const char32_t character : QStringView(text).toUcs4()) {
        if (count == limit)
            break;
        if (character == U'*' || character == U'#' || character == U'+') {
            result.append(QChar(character));
        } else if (QChar::category(character) == QChar::Number_DecimalDigit) {
            // Digits of other scripts dial as the same ASCII digits.
            result.append(QChar(u'0' + QChar::digitValue(character)));
        } else {
            continue;
        }
        ++count;
    }
    return result;
}

} // namespace vozel::DialString
