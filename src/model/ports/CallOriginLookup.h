#pragma once

#include "model/domain/Cancellation.h"
#include "model/domain/SIPAccount.h"

#include <QCoroTask>
#include <QString>

#include <optional>

namespace vozel {

// Asks the operator's server for the origin label of a caller. Never throws: every
// failure, and a cancelled token, yields no label.
class CallOriginLookup {
public:
    virtual ~CallOriginLookup() = default;
    virtual QCoro::Task<std::optional<QString>> resolve(SIPAccount account, QString caller,
                                                        CancellationToken cancellation) = 0;
};

} // namespace vozel
