#pragma once

#include "model/ports/CallOriginLookup.h"

#include <QSslConfiguration>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

namespace vozel {

// Asks the operator's server where a caller is calling from, while the call rings: up to three
// quick attempts, no redirects, and nothing (cookies, cache, credentials) kept between requests.
class CallSourceClient : public CallOriginLookup {
public:
    // The operator server's lookup address, fixed when Vozel is built.
    static QUrl defaultEndpoint();

    explicit CallSourceClient(QUrl endpoint = defaultEndpoint(),
                              QSslConfiguration tls = QSslConfiguration::defaultConfiguration());
    ~CallSourceClient() override;

    QCoro::Task<std::optional<QString>> resolve(SavedSIPAccount entry, QString caller,
                                                CancellationToken cancellation) override;

    // Only plain telephone numbers are looked up: an optional "+" and 1 to 32 digits.
    static bool isLookupNumber(const QString &caller);
    // The password goes only to the operator that runs the PBX: for an entry set up from its
    // provisioning link, or hosted on the endpoint's host or a name under it.
    bool isOperatorsAccount(const SavedSIPAccount &entry) const;

private:
    QNetworkAccessManager &session();

    QUrl m_endpoint;
    QSslConfiguration m_tls;
    std::unique_ptr<QNetworkAccessManager> m_session;
};

} // namespace vozel
