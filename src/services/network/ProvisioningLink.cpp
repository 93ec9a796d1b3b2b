#include "ProvisioningLink.h"

#include "model/domain/VozelError.h"

#include <QStringDecoder>

#include <optional>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

constexpr auto wrapperPrefix = "linphone-config:"_L1;
constexpr auto currentPath = "/api/pabx-vozel"_L1;
constexpr auto legacyPath = "/api/pabx-linphone"_L1;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict decoding: a stray "%" or bytes that are not UTF-8 leave the text as it was.
std::optional<QString> percentDecoded(const QString &text)
{
    const QByteArray encoded = text.toUtf8();
    QByteArray decoded;
    decoded.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            decoded += encoded[i];
            continue;
        }
        const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high < 0 ? -1 : hexValue(encoded[i + 2]);
        if (low < 0)
            return std::nullopt;
        decoded += char(high * 16 + low);
        i += 2;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = utf8.decode(decoded);
    if (utf8.hasError())
        return std::nullopt;
    return result;
}

QString pathWithoutTrailingSlash(const QUrl &url)
{
    QString path = url.path(QUrl::FullyDecoded);
    if (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

ProvisioningLink::ProvisioningLink(QUrl url, QUrl requestUrl)
    : m_url(std::move(url)), m_requestUrl(std::move(requestUrl))
{
}

QString ProvisioningLink::normalize(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(wrapperPrefix, Qt::CaseInsensitive))
        return trimmed;
    QString remainder = trimmed.mid(wrapperPrefix.size());
    while (remainder.startsWith("//"_L1))
        remainder.remove(0, 2);
    return percentDecoded(remainder).value_or(remainder);
}

ProvisioningLink ProvisioningLink::parse(const QString &text)
{
    const QString normalized = normalize(text);
    const QUrl url(normalized, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        throw VozelError::invalidQRCode();
    // QUrl lower-cases the scheme, so the text is checked as written.
    if (url.scheme() != "https"_L1 || !normalized.startsWith("https:"_L1))
        throw VozelError::invalidQRCode();
    const QString path = pathWithoutTrailingSlash(url);
    if (path != currentPath && path != legacyPath)
        throw VozelError::invalidQRCode();
    if (!url.hasQuery() || !url.query(QUrl::FullyEncoded).contains("token="_L1))
        throw VozelError::invalidQRCode();

    QUrl requestUrl = url;
    if (path == legacyPath)
        requestUrl.setPath(currentPath);
    return {url, requestUrl};
}

} // namespace vozel
