#include "services/network/LegacyLinphoneProvisioning.h"

#include <cstdint>
#include <cstdlib>

using namespace vozel;
using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto account = LegacyLinphoneProvisioning::account(document);
    if (!account)
        return 0;
    if (account->extension.isEmpty() || account->password.isEmpty() || account->host.isEmpty()
        || account->port < 1 || account->port > 65535 || account->transport != account->transport.toLower()
        || account->displayName != "Ramal "_L1 + account->extension || account->registerExpires != 600)
        std::abort();
    return 0;
}
