#pragma once

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <optional>

namespace vozel {

// One extension's connection settings, exactly as its source gave them.
struct SIPAccount {
    Q_GADGET
    Q_PROPERTY(QString extension MEMBER extension)
    Q_PROPERTY(QString authUser MEMBER authUser)
    Q_PROPERTY(QString password MEMBER password)
    Q_PROPERTY(QString host MEMBER host)
    Q_PROPERTY(qint64 port MEMBER port)
    Q_PROPERTY(QString transport MEMBER transport)
    Q_PROPERTY(QString displayName MEMBER displayName)
    Q_PROPERTY(qint64 registerExpires MEMBER registerExpires)

public:
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
    Q_GADGET
    Q_PROPERTY(QString id READ idText)
    Q_PROPERTY(QString name READ nameText)
    Q_PROPERTY(QString label READ label)
    Q_PROPERTY(vozel::SIPAccount account MEMBER account)

public:
    QUuid id;
    SIPAccount account;
    std::optional<QString> name;
    // Set up from a provisioning link, so the operator already knows its password. Stored only
    // when true; earlier releases neither wrote nor read it.
    bool provisioned = false;

    // The text used in account lists and pickers.
    QString label() const;
    QString idText() const;
    QString nameText() const { return name.value_or(QString()); }

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

    // Stores the account (updating a matching entry or appending a new one) and makes it active;
    // the entry is marked provisioned only when this account came from a provisioning link.
    void save(const SIPAccount &account, const std::optional<QUuid> &replacing = std::nullopt,
              const std::optional<QString> &name = std::nullopt, bool provisioned = false);
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
