#include "CallHistoryItem.h"

#include "Failure.h"
#include "Json.h"

#include <QJsonArray>

namespace vozel {

using namespace Qt::StringLiterals;

QString directionText(CallHistoryItem::Direction direction)
{
    switch (direction) {
    case CallHistoryItem::Direction::outgoing:
        return u"outgoing"_s;
    case CallHistoryItem::Direction::incoming:
        return u"incoming"_s;
    case CallHistoryItem::Direction::missed:
        return u"missed"_s;
    }
    Q_UNREACHABLE();
}

namespace {

CallHistoryItem::Direction parseDirection(const QString &text)
{
    for (auto direction : {CallHistoryItem::Direction::outgoing, CallHistoryItem::Direction::incoming,
                           CallHistoryItem::Direction::missed}) {
        if (directionText(direction) == text)
            return direction;
    }
    throw DecodingError(u"unknown direction \"%1\""_s.arg(text));
}

} // namespace

QString CallHistoryItem::idText() const
{
    return json::uuidText(id);
}

QJsonObject CallHistoryItem::toJson() const
{
    QJsonObject object{
        {"id"_L1, json::uuidText(id)},
        {"number"_L1, number},
        {"date"_L1, date.secondsSince2001},
        {"direction"_L1, directionText(direction)},
        {"duration"_L1, duration},
    };
    if (sourceLabel)
        object.insert("sourceLabel"_L1, *sourceLabel);
    return object;
}

CallHistoryItem CallHistoryItem::fromJson(const QJsonObject &object)
{
    CallHistoryItem item;
    item.id = json::requireUuid(object, "id"_L1);
    item.number = json::requireString(object, "number"_L1);
    item.date = {json::requireNumber(object, "date"_L1)};
    item.direction = parseDirection(json::requireString(object, "direction"_L1));
    item.duration = json::requireNumber(object, "duration"_L1);
    item.sourceLabel = json::optionalString(object, "sourceLabel"_L1);
    return item;
}

QByteArray CallHistoryItem::encodeList(const QList<CallHistoryItem> &items)
{
    QJsonArray array;
    for (const auto &item : items)
        array.append(item.toJson());
    return json::compact(array);
}

QList<CallHistoryItem> CallHistoryItem::decodeList(const QByteArray &data)
{
    QList<CallHistoryItem> items;
    for (const auto &value : json::parseArray(data))
        items.append(fromJson(json::asObject(value, "history row"_L1)));
    return items;
}

} // namespace vozel
