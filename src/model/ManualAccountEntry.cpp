#include "model/ManualAccountEntry.h"

namespace vozel {

std::optional<int> ManualAccountEntry::parsePort(const QString &text)
{
    qsizetype start = 0;
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        start = 1;
    if (start == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 65535)
            return std::nullopt;
    }
    if (text.startsWith(u'-') || value < 1)
        return std::nullopt;
    return static_cast<int>(value);
}

bool ManualAccountEntry::hasRequiredFields() const
{
    return !extension.trimmed().isEmpty() && !password.isEmpty() && !host.trimmed().isEmpty();
}

bool ManualAccountEntry::isComplete() const
{
    return hasRequiredFields() && parsePort(port).has_value();
}

} // namespace vozel
