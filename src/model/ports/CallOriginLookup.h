#pragma once

#include "model/domain/Cancellation.h"
#include "model/domain/SIPAccount.h"

#include <QCoroTask>
#include <QString>

#include <optional>

namespace vozel {

// Asks the operator's server for the origin label of a caller, authenticated by the active
// entry's credentials. Never throws: every failure, an entry whose password the operator must
// not receive, and a cancelled token, yield no label.
class CallOriginLookup {
public:
    virtual ~CallOriginLookup() = default;
    virtual QCoro::Task<std::optional<QString>> resolve(SavedSIPAccount entry, QString caller,
                                                        CancellationToken cancellation) = 0;
};

} // namespace vozel
