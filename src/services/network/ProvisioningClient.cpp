#include "ProvisioningClient.h"

#include "BoundedReply.h"
#include "ProvisioningAnswer.h"
#include "ProvisioningLink.h"
#include "model/domain/VozelError.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace vozel {

namespace {

QNetworkRequest provisioningRequest(const QUrl &url, const QSslConfiguration &tls)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Redirects are followed, but an account password is never fetched over plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setSslConfiguration(tls);
    return request;
}

} // namespace

ProvisioningClient::ProvisioningClient(QSslConfiguration tls, std::chrono::milliseconds requestTimeLimit)
    : m_tls(std::move(tls)), m_requestTimeLimit(requestTimeLimit)
{
}

QCoro::Task<ReplyOutcome> ProvisioningClient::fetch(QNetworkAccessManager &manager,
                                                    const QNetworkRequest &request) const
{
    ReplyOutcome outcome = co_await readBoundedReply(manager.get(request), m_requestTimeLimit);
    if (outcome.kind != ReplyOutcome::Kind::response)
        throw PlatformError(outcome.failure);
    co_return outcome;
}

QCoro::Task<SIPAccount> ProvisioningClient::provision(QString link)
{
    const ProvisioningLink checked = ProvisioningLink::parse(link);
    QNetworkAccessManager manager;
    QNetworkRequest request = provisioningRequest(checked.requestUrl(), m_tls);
    ReplyOutcome answer = co_await fetch(manager, request);
    if (answer.status != 200 && checked.isLegacy()) {
        request.setUrl(checked.url());
        answer = co_await fetch(manager, request);
    }

    if (answer.status != 200)
        throw VozelError::server(ProvisioningAnswer::errorMessage(answer.body));
    if (answer.bodyTooLarge)
        throw VozelError::invalidResponse();
    co_return ProvisioningAnswer::account(answer.body);
}

} // namespace vozel
