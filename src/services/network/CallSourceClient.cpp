#include "CallSourceClient.h"

#include "BoundedReply.h"
#include "buildsettings/BuildSettings.h"
#include "model/domain/Failure.h"
#include "model/domain/Json.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <algorithm>

namespace vozel {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr int attempts = 3;
constexpr auto pauseBetweenAttempts = 500ms;
constexpr auto attemptTimeLimit = 3s;

bool endsLookupAtOnce(int status)
{
    return status == 400 || status == 403 || status == 429;
}

QByteArray requestBody(const SIPAccount &account, const QString &caller)
{
    return json::compact(QJsonObject{
        {"host"_L1, account.host},
        {"extension"_L1, account.extension},
        {"password"_L1, account.password},
        {"caller"_L1, caller},
    });
}

// The answer's label; none when the server found no origin or answered with another shape.
std::optional<QString> originLabel(const QByteArray &body)
{
    try {
        const QJsonObject payload = json::parseObject(body);
        const bool found = json::requireBool(payload, "ok"_L1);
        const auto origin = json::optionalObject(payload, "origin"_L1);
        if (!origin)
            return std::nullopt;
        const QString label = json::requireString(*origin, "label"_L1);
        return found ? std::optional(label) : std::nullopt;
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

// Sleeps while watching the token; false when the wait was cut short by cancellation.
QCoro::Task<bool> pause(std::chrono::milliseconds duration, CancellationToken cancellation)
{
    QElapsedTimer clock;
    clock.start();
    while (!cancellation.isCancelled()) {
        const auto left = duration - std::chrono::milliseconds(clock.elapsed());
        if (left <= 0ms)
            co_return true;
        co_await QCoro::sleepFor(std::min<std::chrono::milliseconds>(left, 20ms));
    }
    co_return false;
}

} // namespace

QUrl CallSourceClient::defaultEndpoint()
{
    return QUrl(build::callOriginEndpoint(), QUrl::StrictMode);
}

CallSourceClient::CallSourceClient(QUrl endpoint, QSslConfiguration tls)
    : m_endpoint(std::move(endpoint)), m_tls(std::move(tls))
{
}

CallSourceClient::~CallSourceClient() = default;

bool CallSourceClient::isLookupNumber(const QString &caller)
{
    static const QRegularExpression number(u"\\A\\+?[0-9]{1,32}\\z"_s);
    return number.match(caller).hasMatch();
}

bool CallSourceClient::isOperatorsAccount(const SavedSIPAccount &entry) const
{
    if (entry.provisioned)
        return true;
    QString host = entry.account.host.trimmed().toLower();
    if (host.endsWith(u'.'))
        host.chop(1);
    const QString operatorHost = m_endpoint.host().toLower();
    if (host.isEmpty() || operatorHost.isEmpty())
        return false;
    // An address has no names under it.
    const bool operatorHasDomain = QHostAddress(operatorHost).isNull();
    return host == operatorHost || (operatorHasDomain && host.endsWith(u'.' + operatorHost));
}

QNetworkAccessManager &CallSourceClient::session()
{
    if (!m_session)
        m_session = std::make_unique<QNetworkAccessManager>();
    return *m_session;
}

QCoro::Task<std::optional<QString>> CallSourceClient::resolve(SavedSIPAccount entry, QString caller,
                                                              CancellationToken cancellation)
{
    const SIPAccount &account = entry.account;
    if (account.password.isEmpty() || !isLookupNumber(caller) || !isOperatorsAccount(entry))
        co_return std::nullopt;
    // The account's password travels in the body, so the address must be HTTPS.
    if (!m_endpoint.isValid() || m_endpoint.scheme() != "https"_L1 || m_endpoint.host().isEmpty())
        co_return std::nullopt;

    QNetworkRequest request(m_endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setSslConfiguration(m_tls);
    const QByteArray body = requestBody(account, caller);

    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (cancellation.isCancelled())
            co_return std::nullopt;
        if (attempt > 1 && !co_await pause(pauseBetweenAttempts, cancellation))
            co_return std::nullopt;

        const ReplyOutcome outcome =
            co_await readBoundedReply(session().post(request, body), attemptTimeLimit, cancellation);
        if (outcome.kind != ReplyOutcome::Kind::response || outcome.bodyTooLarge)
            continue;
        if (endsLookupAtOnce(outcome.status))
            co_return std::nullopt;
        if (outcome.status == 200) {
            if (auto label = originLabel(outcome.body))
                co_return label;
        }
    }
    co_return std::nullopt;
}

} // namespace vozel
