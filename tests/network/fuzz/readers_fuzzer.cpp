#include "model/domain/VozelError.h"
#include "services/network/LegacyLinphoneProvisioning.h"
#include "services/network/ProvisioningAnswer.h"
#include "services/network/ProvisioningLink.h"

#include <cstdint>
#include <cstdlib>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

// Each input is read as a scanned link, as the server's answer and as an older XML document.
void readLink(const QString &text)
{
    // Trimming and unwrapping only ever shorten the text.
    check(ProvisioningLink::normalize(text).size() <= text.size());
    try {
        const ProvisioningLink link = ProvisioningLink::parse(text);
        const QUrl &request = link.requestUrl();
        check(request.scheme() == "https"_L1 && !request.host().isEmpty() && request.host() == link.url().host()
              && request.query() == link.url().query() && request.query(QUrl::FullyEncoded).contains("token="_L1));
    } catch (const VozelError &error) {
        check(error.kind() == VozelError::Kind::invalidQRCode);
    }
}

void readAnswer(const QByteArray &body)
{
    try {
        // An accepted answer always carries what registration needs.
        const SIPAccount account = ProvisioningAnswer::account(body);
        check(!account.extension.isEmpty() && !account.password.isEmpty() && !account.host.isEmpty());
    } catch (const VozelError &error) {
        check(error.kind() == VozelError::Kind::invalidResponse);
    }
    check(!ProvisioningAnswer::errorMessage(body).trimmed().isEmpty());
    if (const auto account = LegacyLinphoneProvisioning::account(body))
        check(!account->extension.isEmpty() && !account->password.isEmpty() && !account->host.isEmpty()
              && account->port >= 1 && account->port <= 65535 && account->transport == account->transport.toLower()
              && account->displayName == "Ramal "_L1 + account->extension && account->registerExpires == 600);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readLink(QString::fromUtf8(bytes));
    readAnswer(bytes);
    return 0;
}
