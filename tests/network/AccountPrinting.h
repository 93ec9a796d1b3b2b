#pragma once

#include "model/domain/SIPAccount.h"

#include <QJsonDocument>
#include <QTest>

#include <optional>

namespace vozel {

// Lets QCOMPARE show the accounts it compares.
inline char *toString(const SIPAccount &account)
{
    return qstrdup(QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact).constData());
}

inline char *toString(const std::optional<SIPAccount> &account)
{
    return account ? toString(*account) : qstrdup("none");
}

} // namespace vozel
