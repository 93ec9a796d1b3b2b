#include "model/domain/VozelError.h"
#include "services/network/ProvisioningLink.h"

#include <cstdint>
#include <cstdlib>

using namespace vozel;
using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Trimming and unwrapping only ever shorten the text.
    if (ProvisioningLink::normalize(text).size() > text.size())
        std::abort();
    try {
        const ProvisioningLink link = ProvisioningLink::parse(text);
        const QUrl &request = link.requestUrl();
        if (request.scheme() != "https"_L1 || request.host().isEmpty() || request.host() != link.url().host()
            || request.query() != link.url().query() || !request.query(QUrl::FullyEncoded).contains("token="_L1))
            std::abort();
    } catch (const VozelError &error) {
        if (error.kind() != VozelError::Kind::invalidQRCode)
            std::abort();
    }
    return 0;
}
