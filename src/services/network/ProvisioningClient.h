#pragma once

#include "model/ports/AccountProvisioning.h"

#include <QSslConfiguration>

#include <chrono>

class QNetworkAccessManager;
class QNetworkRequest;

namespace vozel {

struct ReplyOutcome;

// Fetches the account behind a provisioning link from the operator's server. Older links are
// asked at the current endpoint first and at their own address when the server refuses.
// Nothing is kept between calls: each exchange has its own connection, cookies and cache.
class ProvisioningClient : public AccountProvisioning {
public:
    explicit ProvisioningClient(QSslConfiguration tls = QSslConfiguration::defaultConfiguration(),
                                std::chrono::milliseconds requestTimeLimit = std::chrono::seconds(60));

    // Throws VozelError (invalidQRCode, invalidResponse, server) or a PlatformError with the
    // network library's description when no answer arrives.
    QCoro::Task<SIPAccount> provision(QString link) override;

private:
    QCoro::Task<ReplyOutcome> fetch(QNetworkAccessManager &manager, const QNetworkRequest &request) const;

    QSslConfiguration m_tls;
    std::chrono::milliseconds m_requestTimeLimit;
};

} // namespace vozel
