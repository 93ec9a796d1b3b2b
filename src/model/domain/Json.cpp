#include "Json.h"

#include "Failure.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

namespace vozel::json {

namespace {

QJsonValue member(const QJsonObject &object, QLatin1StringView key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isUndefined())
        throw DecodingError(QStringLiteral("missing member \"%1\"").arg(key));
    return *it;
}

[[noreturn]] void wrongType(QLatin1StringView key, const char *expected)
{
    throw DecodingError(QStringLiteral("member \"%1\" is not %2").arg(key, QLatin1String(expected)));
}

QJsonDocument parse(const QByteArray &data)
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(error.errorString());
    return document;
}

} // namespace

QJsonObject parseObject(const QByteArray &data)
{
    const auto document = parse(data);
    if (!document.isObject())
        throw DecodingError(QStringLiteral("top level is not an object"));
    return document.object();
}

QJsonArray parseArray(const QByteArray &data)
{
    const auto document = parse(data);
    if (!document.isArray())
        throw DecodingError(QStringLiteral("top level is not an array"));
    return document.array();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QString requireString(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isString())
        wrongType(key, "a string");
    return value.toString();
}

qint64 requireInteger(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isDouble())
        wrongType(key, "an integer");
    const double number = value.toDouble();
    // 2^63 itself is out of range; every smaller integral double fits.
    if (std::trunc(number) != number || number >= 9223372036854775808.0 || number < -9223372036854775808.0)
        wrongType(key, "an integer");
    return value.toInteger(static_cast<qint64>(number));
}

double requireNumber(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isDouble())
        wrongType(key, "a number");
    return value.toDouble();
}

bool requireBool(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isBool())
        wrongType(key, "a boolean");
    return value.toBool();
}

QJsonObject requireObject(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isObject())
        wrongType(key, "an object");
    return value.toObject();
}

QJsonArray requireArray(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = member(object, key);
    if (!value.isArray())
        wrongType(key, "an array");
    return value.toArray();
}

QUuid requireUuid(const QJsonObject &object, QLatin1StringView key)
{
    const auto id = parseUuid(requireString(object, key));
    if (!id)
        wrongType(key, "a UUID");
    return *id;
}

std::optional<QString> optionalString(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        wrongType(key, "a string");
    return value.toString();
}

std::optional<QUuid> optionalUuid(const QJsonObject &object, QLatin1StringView key)
{
    const auto text = optionalString(object, key);
    if (!text)
        return std::nullopt;
    const auto id = parseUuid(*text);
    if (!id)
        wrongType(key, "a UUID");
    return id;
}

std::optional<QJsonObject> optionalObject(const QJsonObject &object, QLatin1StringView key)
{
    const auto value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isObject())
        wrongType(key, "an object");
    return value.toObject();
}

QJsonObject asObject(const QJsonValue &value, QLatin1StringView what)
{
    if (!value.isObject())
        throw DecodingError(QStringLiteral("%1 is not an object").arg(what));
    return value.toObject();
}

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(const QString &text)
{
    static const QRegularExpression canonical(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!canonical.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

} // namespace vozel::json
