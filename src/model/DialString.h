#pragma once

#include <QString>

namespace vozel::DialString {

// Length in characters (code points), as the user counts them.
qsizetype length(const QString &text);

QString withoutLastCharacter(const QString &text);

// The dialable characters of a pasted text, in order, at most `limit` of them: decimal
// digits of any script (as ASCII digits), "*", "#" and "+". Everything else is dropped.
QString dialablePart(const QString &text, qsizetype limit);

} // namespace vozel::DialString
