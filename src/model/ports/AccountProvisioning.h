#pragma once

#include "model/domain/SIPAccount.h"

#include <QCoroTask>
#include <QString>

namespace vozel {

// Exchanges a provisioning link (the content of a QR code) for a ready account.
// Throws VozelError (invalidQRCode, invalidResponse, server) or a network Failure.
class AccountProvisioning {
public:
    virtual ~AccountProvisioning() = default;
    virtual QCoro::Task<SIPAccount> provision(QString link) = 0;
};

} // namespace vozel
