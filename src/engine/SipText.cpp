#include "engine/SipText.h"

#include "model/DialString.h"

#include <limits>

namespace vozel::sip {

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 usualLifetimeSeconds = 600;
} // namespace

QString callTarget(const QString &dialled, const QString &host)
{
    if (const auto at = dialled.lastIndexOf(u'@'); at >= 0)
        return u"sip:"_s + DialString::sipUserPart(dialled.left(at)) + dialled.mid(at);
    return u"sip:"_s + DialString::sipUserPart(dialled) + u'@' + host;
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

} // namespace vozel::sip
