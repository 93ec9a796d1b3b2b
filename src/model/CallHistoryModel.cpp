#include "model/CallHistoryModel.h"

namespace vozel {

namespace {

CallHistoryModel::Direction shown(CallHistoryItem::Direction direction)
{
    switch (direction) {
    case CallHistoryItem::Direction::outgoing:
        return CallHistoryModel::Direction::Outgoing;
    case CallHistoryItem::Direction::incoming:
        return CallHistoryModel::Direction::Incoming;
    case CallHistoryItem::Direction::missed:
        return CallHistoryModel::Direction::Missed;
    }
    Q_UNREACHABLE();
}

} // namespace

void CallHistoryModel::replaceAll(const QList<CallHistoryItem> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void CallHistoryModel::prepend(const CallHistoryItem &row)
{
    beginInsertRows({}, 0, 0);
    m_rows.prepend(row);
    endInsertRows();
}

bool CallHistoryModel::setSourceLabel(const QUuid &id, const QString &label)
{
    const qsizetype row = indexOf(id);
    if (row < 0)
        return false;
    m_rows[row].sourceLabel = label;
    const QModelIndex changed = index(int(row));
    emit dataChanged(changed, changed, {SourceLabelRole});
    return true;
}

bool CallHistoryModel::remove(const QUuid &id)
{
    const qsizetype row = indexOf(id);
    if (row < 0)
        return false;
    beginRemoveRows({}, int(row), int(row));
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

void CallHistoryModel::truncate(qsizetype limit)
{
    if (m_rows.size() <= limit)
        return;
    beginRemoveRows({}, int(limit), int(m_rows.size() - 1));
    m_rows.resize(limit);
    endRemoveRows();
}

int CallHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CallHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CallHistoryItem &row = m_rows[index.row()];
    switch (role) {
    case ItemIDRole:
        return row.idText();
    case Qt::DisplayRole:
    case NumberRole:
        return row.number;
    case DateRole:
        return row.dateTime();
    case DirectionRole:
        return QVariant::fromValue(shown(row.direction));
    case SourceLabelRole:
        return row.sourceLabelText();
    }
    return {};
}

QHash<int, QByteArray> CallHistoryModel::roleNames() const
{
    return {{ItemIDRole, "itemID"},
            {NumberRole, "number"},
            {DateRole, "date"},
            {DirectionRole, "direction"},
            {SourceLabelRole, "sourceLabel"}};
}

qsizetype CallHistoryModel::indexOf(const QUuid &id) const
{
    const auto found = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const CallHistoryItem &row) { return row.id == id; });
    return found == m_rows.cend() ? -1 : found - m_rows.cbegin();
}

} // namespace vozel
