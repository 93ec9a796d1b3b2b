#include "SIPAccount.h"

#include "Json.h"

#include <QJsonArray>

namespace vozel {

using namespace Qt::StringLiterals;

QString trimmedName(const QString &name)
{
    return name.trimmed();
}

QJsonObject SIPAccount::toJson() const
{
    return {
        {"extension"_L1, extension},
        {"authUser"_L1, authUser},
        {"password"_L1, password},
        {"host"_L1, host},
        {"port"_L1, port},
        {"transport"_L1, transport},
        {"displayName"_L1, displayName},
        {"registerExpires"_L1, registerExpires},
    };
}

SIPAccount SIPAccount::fromJson(const QJsonObject &object)
{
    SIPAccount account;
    account.extension = json::requireString(object, "extension"_L1);
    account.authUser = json::requireString(object, "authUser"_L1);
    account.password = json::requireString(object, "password"_L1);
    account.host = json::requireString(object, "host"_L1);
    account.port = json::requireInteger(object, "port"_L1);
    account.transport = json::requireString(object, "transport"_L1);
    account.displayName = json::requireString(object, "displayName"_L1);
    account.registerExpires = json::requireInteger(object, "registerExpires"_L1);
    return account;
}

QString SavedSIPAccount::label() const
{
    const QString nickname = trimmedName(name.value_or(QString()));
    if (nickname.isEmpty())
        return account.displayName;
    return nickname + u" · Ramal "_s + account.extension;
}

QString SavedSIPAccount::idText() const
{
    return json::uuidText(id);
}

QJsonObject SavedSIPAccount::toJson() const
{
    QJsonObject object{{"id"_L1, json::uuidText(id)}, {"account"_L1, account.toJson()}};
    if (name)
        object.insert("name"_L1, *name);
    if (provisioned)
        object.insert("provisioned"_L1, true);
    return object;
}

SavedSIPAccount SavedSIPAccount::fromJson(const QJsonObject &object)
{
    return {json::requireUuid(object, "id"_L1),
            SIPAccount::fromJson(json::requireObject(object, "account"_L1)),
            json::optionalString(object, "name"_L1),
            object.value("provisioned"_L1).toBool(false)};
}

std::optional<SavedSIPAccount> SIPAccountCollection::active() const
{
    if (accounts.isEmpty())
        return std::nullopt;
    if (activeID) {
        for (const auto &entry : accounts) {
            if (entry.id == *activeID)
                return entry;
        }
    }
    return accounts.first();
}

namespace {

bool sameConnection(const SIPAccount &a, const SIPAccount &b)
{
    return a.extension == b.extension && a.authUser == b.authUser
        && a.host.compare(b.host, Qt::CaseInsensitive) == 0 && a.port == b.port
        && a.transport.compare(b.transport, Qt::CaseInsensitive) == 0;
}

} // namespace

void SIPAccountCollection::save(const SIPAccount &account, const std::optional<QUuid> &replacing,
                                const std::optional<QString> &name, bool provisioned)
{
    for (auto &entry : accounts) {
        const bool matches = replacing ? entry.id == *replacing : sameConnection(entry.account, account);
        if (!matches)
            continue;
        entry.account = account;
        entry.provisioned = provisioned;
        if (name)
            entry.name = trimmedName(*name);
        activeID = entry.id;
        return;
    }
    SavedSIPAccount entry{QUuid::createUuid(), account, std::nullopt, provisioned};
    if (name)
        entry.name = trimmedName(*name);
    accounts.append(entry);
    activeID = entry.id;
}

void SIPAccountCollection::removeActive()
{
    const auto current = active();
    if (!current)
        return;
    accounts.removeIf([&](const SavedSIPAccount &entry) { return entry.id == current->id; });
    activeID = accounts.isEmpty() ? std::nullopt : std::optional<QUuid>(accounts.first().id);
}

QJsonObject SIPAccountCollection::toJson() const
{
    QJsonArray list;
    for (const auto &entry : accounts)
        list.append(entry.toJson());
    QJsonObject object{{"accounts"_L1, list}};
    if (activeID)
        object.insert("activeID"_L1, json::uuidText(*activeID));
    return object;
}

QByteArray SIPAccountCollection::toJsonData() const
{
    return json::compact(toJson());
}

SIPAccountCollection SIPAccountCollection::fromJson(const QJsonObject &object)
{
    SIPAccountCollection collection;
    for (const auto &value : json::requireArray(object, "accounts"_L1))
        collection.accounts.append(SavedSIPAccount::fromJson(json::asObject(value, "account entry"_L1)));
    collection.activeID = json::optionalUuid(object, "activeID"_L1);
    return collection;
}

SIPAccountCollection SIPAccountCollection::fromJsonData(const QByteArray &data)
{
    return fromJson(json::parseObject(data));
}

} // namespace vozel
