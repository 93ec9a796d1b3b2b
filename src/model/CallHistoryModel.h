#pragma once

#include "model/domain/CallHistoryItem.h"

#include <QAbstractListModel>

namespace vozel {

// The call history, newest first, as a list the views bind to. Every change tells the views
// which rows it touched, so a new call or an origin label redraws one row, not the list.
class CallHistoryModel : public QAbstractListModel {
    Q_OBJECT

public:
    // How a call went, as the views draw it.
    enum class Direction { Outgoing, Incoming, Missed };
    Q_ENUM(Direction)

    enum Role { ItemIDRole = Qt::UserRole + 1, NumberRole, DateRole, DirectionRole, SourceLabelRole };

    using QAbstractListModel::QAbstractListModel;

    const QList<CallHistoryItem> &rows() const { return m_rows; }
    void replaceAll(const QList<CallHistoryItem> &rows);
    void prepend(const CallHistoryItem &row);
    // False when no row has this id.
    bool setSourceLabel(const QUuid &id, const QString &label);
    bool remove(const QUuid &id);
    // Drops the oldest rows beyond `limit`.
    void truncate(qsizetype limit);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    qsizetype indexOf(const QUuid &id) const;

    QList<CallHistoryItem> m_rows;
};

} // namespace vozel
