#pragma once

#include "ReferenceDate.h"

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <optional>

namespace vozel {

// One row of the call history.
struct CallHistoryItem {
    enum class Direction { outgoing, incoming, missed };

    QUuid id;
    QString number;
    ReferenceDate date;
    Direction direction = Direction::outgoing;
    double duration = 0;
    std::optional<QString> sourceLabel;

    QString idText() const;
    QDateTime dateTime() const { return date.toDateTime(); }
    QString sourceLabelText() const { return sourceLabel.value_or(QString()); }

    QJsonObject toJson() const;
    static CallHistoryItem fromJson(const QJsonObject &object);

    // The stored form: a JSON array of rows in list order.
    static QByteArray encodeList(const QList<CallHistoryItem> &items);
    static QList<CallHistoryItem> decodeList(const QByteArray &data);

    friend bool operator==(const CallHistoryItem &, const CallHistoryItem &) = default;
};

QString directionText(CallHistoryItem::Direction direction);

} // namespace vozel
