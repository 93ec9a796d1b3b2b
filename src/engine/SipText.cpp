#include "engine/SipText.h"

#include <limits>

namespace vozel::sip {

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 usualLifetimeSeconds = 600;

// Percent-encodes what the user part of a SIP URI may not hold as it is; the characters
// RFC 3261 allows there besides letters, digits and "-._~" stay, and so does the space.
QString escapedUser(const QString &user)
{
    return QString::fromLatin1(user.toUtf8().toPercentEncoding("!*'()&=+$,;?/ "));
}
} // namespace

QString callTarget(const QString &dialled, const QString &host)
{
    if (const auto at = dialled.lastIndexOf(u'@'); at >= 0)
        return u"sip:"_s + escapedUser(dialled.left(at)) + dialled.mid(at);
    return u"sip:"_s + escapedUser(dialled) + u'@' + host;
}

QString identityUri(const SIPAccount &account)
{
    return u"sip:"_s + account.extension + u'@' + account.host;
}

QString registrarUri(const SIPAccount &account)
{
    return u"sip:"_s + account.host + u':' + QString::number(account.port) + u";transport="_s
        + account.transport.toLower();
}

int registrationLifetime(qint64 requestedSeconds)
{
    if (requestedSeconds <= 0)
        return usualLifetimeSeconds;
    return int(std::min<qint64>(requestedSeconds, std::numeric_limits<int>::max()));
}

std::optional<char> dtmfDigit(const QString &text)
{
    static const QString keys = u"0123456789*#"_s;
    if (text.size() != 1 || !keys.contains(text.front()))
        return std::nullopt;
    return text.front().toLatin1();
}

} // namespace vozel::sip
