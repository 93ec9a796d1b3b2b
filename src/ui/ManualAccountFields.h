#pragma once

#include <QString>

#include <optional>

namespace vozel::ui {

// The manual account form as typed, and the rules for when it can be saved.
struct ManualAccountFields {
    QString name;
    QString extension;
    QString user;
    QString password;
    QString host;
    QString port;
    QString transport;

    // A port is a whole decimal number, optionally signed, with nothing else around it,
    // from 1 to 65535.
    static std::optional<int> parsePort(const QString &text);

    // Extension and host not blank, a password (blanks count), and a valid port.
    bool isValid() const;

    friend bool operator==(const ManualAccountFields &, const ManualAccountFields &) = default;
};

} // namespace vozel::ui
