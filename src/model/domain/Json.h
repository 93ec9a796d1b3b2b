#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

// Strict readers for stored and received JSON: a required member that is missing or of
// another JSON type throws DecodingError, so a value is either read whole or not at all.
namespace vozel::json {

QJsonObject parseObject(const QByteArray &data);
QJsonArray parseArray(const QByteArray &data);
QByteArray compact(const QJsonObject &object);
QByteArray compact(const QJsonArray &array);

QString requireString(const QJsonObject &object, QLatin1StringView key);
qint64 requireInteger(const QJsonObject &object, QLatin1StringView key);
double requireNumber(const QJsonObject &object, QLatin1StringView key);
bool requireBool(const QJsonObject &object, QLatin1StringView key);
QJsonObject requireObject(const QJsonObject &object, QLatin1StringView key);
QJsonArray requireArray(const QJsonObject &object, QLatin1StringView key);
QUuid requireUuid(const QJsonObject &object, QLatin1StringView key);

// Absent and null both read as "no value"; any other type is an error.
std::optional<QString> optionalString(const QJsonObject &object, QLatin1StringView key);
std::optional<QUuid> optionalUuid(const QJsonObject &object, QLatin1StringView key);
std::optional<QJsonObject> optionalObject(const QJsonObject &object, QLatin1StringView key);

QJsonObject asObject(const QJsonValue &value, QLatin1StringView what);

// Canonical 36-character form in upper case, as stored identifiers are written.
QString uuidText(const QUuid &id);
// Accepts only the canonical hyphenated form, in either letter case.
std::optional<QUuid> parseUuid(const QString &text);

} // namespace vozel::json
