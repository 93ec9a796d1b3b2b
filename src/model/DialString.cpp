#include "model/DialString.h"

#include <QList>
#include <QStringView>

namespace vozel::DialString {

namespace {

// Decimal digits of any script as ASCII digits, plus whichever of `symbols` the text holds.
QString keptCharacters(const QString &text, qsizetype limit, QStringView symbols)
{
    QString result;
    for (const char32_t character : QStringView(text).toUcs4()) {
        if (result.size() == limit)
            break;
        if (QChar::category(character) == QChar::Number_DecimalDigit)
            result.append(QChar(u'0' + QChar::digitValue(character)));
        else if (character < 0x80 && symbols.contains(QChar(character)))
            result.append(QChar(character));
    }
    return result;
}

} // namespace

bool isKey(char32_t character)
{
    return (character >= U'0' && character <= U'9') || character == U'*' || character == U'#';
}

std::optional<char> toneOf(const QString &text)
{
    if (text.size() != 1 || !isKey(text.front().unicode()))
        return std::nullopt;
    return text.front().toLatin1();
}

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

QString withKey(const QString &number, const QString &key, qsizetype limit)
{
    if (!toneOf(key) || length(number) >= limit)
        return number;
    return number + key;
}

QString dialablePart(const QString &text, qsizetype limit)
{
    return keptCharacters(text, limit, u"*#+");
}

QString extensionPart(const QString &text, qsizetype limit)
{
    return keptCharacters(text, limit, {});
}

QString sipUserPart(const QString &dialled)
{
    // RFC 3261 allows these in the user part besides letters, digits and "-._~".
    return QString::fromLatin1(dialled.toUtf8().toPercentEncoding("!*'()&=+$,;?/ "));
}

} // namespace vozel::DialString
