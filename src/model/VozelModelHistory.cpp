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
        m_history = CallHistoryItem::decodeList(*stored);
    } catch (const DecodingError &) {
        // Unreadable history is left alone on disk until the next save replaces it.
        return;
    }
    emit historyChanged();
}

void VozelModel::saveHistory()
{
    if (m_history.size() > historyLimit) {
        m_history.resize(historyLimit);
        emit historyChanged();
    }
    m_services.defaults->setData(historyKey, CallHistoryItem::encodeList(m_history));
}

void VozelModel::createHistoryRow(const QString &number, CallHistoryItem::Direction direction)
{
    m_activeHistoryID = addHistoryRow(number, direction);
}

QUuid VozelModel::addHistoryRow(const QString &number, CallHistoryItem::Direction direction)
{
    const CallHistoryItem row{QUuid::createUuid(), number, ReferenceDate::now(), direction, 0, std::nullopt};
    m_history.prepend(row);
    emit historyChanged();
    saveHistory();
    return row.id;
}

void VozelModel::setOriginLabel(const QUuid &rowID, const QString &label)
{
    for (auto &row : m_history) {
        if (row.id != rowID)
            continue;
        row.sourceLabel = label;
        emit historyChanged();
        saveHistory();
        return;
    }
}

void VozelModel::deleteHistoryItem(const QString &id)
{
    const auto rowID = json::parseUuid(id);
    if (!rowID)
        return;
    if (m_history.removeIf([&](const CallHistoryItem &row) { return row.id == *rowID; }) > 0)
        emit historyChanged();
    saveHistory();
}

void VozelModel::clearHistory()
{
    if (!m_history.isEmpty()) {
        m_history.clear();
        emit historyChanged();
    }
    m_services.defaults->remove(historyKey);
}

} // namespace vozel
