#include "model/domain/VozelError.h"
#include "services/network/ProvisioningAnswer.h"

#include <cstdint>
#include <cstdlib>

using namespace vozel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const SIPAccount account = ProvisioningAnswer::account(body);
        // An accepted answer always carries what registration needs.
        if (account.extension.isEmpty() || account.password.isEmpty() || account.host.isEmpty())
            std::abort();
    } catch (const VozelError &error) {
        if (error.kind() != VozelError::Kind::invalidResponse)
            std::abort();
    }
    if (ProvisioningAnswer::errorMessage(body).trimmed().isEmpty())
        std::abort();
    return 0;
}
