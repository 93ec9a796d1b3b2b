#pragma once

#include "model/domain/SIPAccount.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace vozel {

// Reads the account out of an older XML provisioning document (liblinphone's remote
// configuration format). The reader is flat: sections and nesting are ignored and the last
// "entry" of each name wins, so one account is found whatever the section layout.
class LegacyLinphoneProvisioning {
public:
    // None for malformed XML or when the username, password or registrar host is missing.
    static std::optional<SIPAccount> account(const QByteArray &data);

private:
    void startElement(const QString &name, const std::optional<QString> &nameAttribute);
    void characters(const QString &text);
    void endElement(const QString &name);

    QString m_currentName;
    QString m_currentValue;
    QHash<QString, QString> m_values;
};

} // namespace vozel
