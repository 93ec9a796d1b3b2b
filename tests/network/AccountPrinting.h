#pragma once

#include "model/domain/SIPAccount.h"

#include <QJsonDocument>
#include <QTest>

namespace vozel {

// Lets QCOMPARE show the accounts it compares.
inline char *toString(const std::optional<SIPAccount> &account)
{
    return qstrdup(account ? QJsonDocument(account->toJson()).toJson(QJsonDocument::Compact).constData() : "none");
}

} // namespace vozel
