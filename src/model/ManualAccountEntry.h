#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace vozel {

// The manual account form as the user typed it, and the rule for when it can be saved.
struct ManualAccountEntry {
    // Every field starts empty, so a form names only the fields it fills.
    QString extension{};
    QString authUser{};
    QString password{};
    QString host{};
    QString port{};
    QString transport{};
    QString displayName{};
    std::optional<QString> nickname{};
    std::optional<QUuid> replacing{};

    // A port is a whole decimal number, optionally signed, with nothing else around it,
    // from 1 to 65535.
    static std::optional<int> parsePort(const QString &text);

    // Extension and host not blank, and a password (blanks count).
    bool hasRequiredFields() const;
    // The required fields and a valid port.
    bool isComplete() const;
};

} // namespace vozel
