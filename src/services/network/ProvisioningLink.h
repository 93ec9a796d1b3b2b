#pragma once

#include <QString>
#include <QUrl>

namespace vozel {

// A provisioning link (the content of an operator's QR code) checked and ready to be fetched.
class ProvisioningLink {
public:
    // Trims the text and unwraps a "linphone-config:" link into the address it carries.
    static QString normalize(const QString &text);

    // Throws VozelError::invalidQRCode for text that is not a provisioning link.
    static ProvisioningLink parse(const QString &text);

    // The link's own address.
    const QUrl &url() const { return m_url; }
    // The address asked first: the current endpoint on the link's server.
    const QUrl &requestUrl() const { return m_requestUrl; }
    // Whether the link points at the older endpoint and so has a second address to fall back to.
    bool isLegacy() const { return m_url != m_requestUrl; }

private:
    ProvisioningLink(QUrl url, QUrl requestUrl);

    QUrl m_url;
    QUrl m_requestUrl;
};

} // namespace vozel
