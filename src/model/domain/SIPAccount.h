#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace vozel {

// One extension's connection settings, exactly as its source gave them.
struct SIPAccount {
    QString extension;
    QString authUser;
    QString password;
    QString host;
    qint64 port = 0;
    QString transport;
    QString displayName;
    qint64 registerExpires = 0;

    QJsonObject toJson() const;
    static SIPAccount fromJson(const QJsonObject &object);

    friend bool operator==(const SIPAccount &, const SIPAccount &) = default;
};

// One stored extension with its fixed identity and the user's nickname.
struct SavedSIPAccount {
    QUuid id;
    SIPAccount account;
    std::optional<QString> name;

    // The text used in account lists and pickers.
    QString label() const;

    QJsonObject toJson() const;
    static SavedSIPAccount fromJson(const QJsonObject &object);

    friend bool operator==(const SavedSIPAccount &, const SavedSIPAccount &) = default;
};

// Every stored extension plus the choice of the active one.
struct SIPAccountCollection {
    QList<SavedSIPAccount> accounts;
    std::optional<QUuid> activeID;

    // The entry named by activeID, else the first entry; none when empty.
    std::optional<SavedSIPAccount> active() const;

    // Stores the account (updating a matching entry or appending a new one) and makes it active.
    void save(const SIPAccount &account, const std::optional<QUuid> &replacing = std::nullopt,
              const std::optional<QString> &name = std::nullopt);
    void removeActive();

    QJsonObject toJson() const;
    QByteArray toJsonData() const;
    static SIPAccountCollection fromJson(const QJsonObject &object);
    static SIPAccountCollection fromJsonData(const QByteArray &data);

    friend bool operator==(const SIPAccountCollection &, const SIPAccountCollection &) = default;
};

// Trims white space and line breaks at both ends, as nicknames are stored.
QString trimmedName(const QString &name);

} // namespace vozel
