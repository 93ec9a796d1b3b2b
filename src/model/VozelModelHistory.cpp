#include "model/VozelModel.h"

#include "model/domain/Failure.h"
#include "model/domain/Json.h"

namespace vozel {

void VozelModel::loadHistory()
{
    const auto stored = m_services.defaults->dataValue(historyKey);
    if (!stored)
        return;
    try {
        m_history.replaceAll(CallHistoryItem::decodeList(*stored));
    } catch (const DecodingError &) {
        // Unreadable history is left alone on disk until the next save replaces it.
    }
}

void VozelModel::saveHistory()
{
    m_history.truncate(historyLimit);
    m_services.defaults->setData(historyKey, CallHistoryItem::encodeList(m_history.rows()));
}

void VozelModel::createHistoryRow(const QString &number, CallHistoryItem::Direction direction)
{
    m_activeHistoryID = addHistoryRow(number, direction);
}

QUuid VozelModel::addHistoryRow(const QString &number, CallHistoryItem::Direction direction)
{
    const CallHistoryItem row{QUuid::createUuid(), number, ReferenceDate::now(), direction, 0, std::nullopt};
    m_history.prepend(row);
    saveHistory();
    return row.id;
}

void VozelModel::setOriginLabel(const QUuid &rowID, const QString &label)
{
    if (m_history.setSourceLabel(rowID, label))
        saveHistory();
}

void VozelModel::deleteHistoryItem(const QString &id)
{
    if (const auto rowID = json::parseUuid(id)) {
        m_history.remove(*rowID);
        saveHistory();
    }
}

void VozelModel::clearHistory()
{
    m_history.replaceAll({});
    m_services.defaults->remove(historyKey);
}

} // namespace vozel
