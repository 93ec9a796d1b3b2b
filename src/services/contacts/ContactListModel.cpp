#include "services/contacts/ContactListModel.h"

#include <numeric>

namespace vozel {

void ContactListModel::setEntries(QList<ContactPhone> entries)
{
    m_entries = std::move(entries);
    m_matcher = ContactMatcher(m_entries);
    refilter();
}

QList<ContactPhone> ContactListModel::matches(const QString &query) const
{
    QList<ContactPhone> found;
    for (const qsizetype position : m_matcher.matches(query))
        found.append(m_entries[position]);
    return found;
}

void ContactListModel::setQuery(const QString &query)
{
    if (m_query == query)
        return;
    m_query = query;
    refilter();
    Q_EMIT queryChanged();
}

int ContactListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ContactListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ContactPhone &entry = m_entries[m_rows[index.row()]];
    switch (role) {
    case NameRole:
        return entry.name;
    case LabelRole:
        return entry.label;
    case NumberRole:
        return entry.number;
    default:
        return {};
    }
}

QHash<int, QByteArray> ContactListModel::roleNames() const
{
    return {{NameRole, "name"}, {LabelRole, "label"}, {NumberRole, "number"}};
}

QList<qsizetype> ContactListModel::rowsFor(const QString &query) const
{
    if (!query.trimmed().isEmpty())
        return m_matcher.matches(query);
    QList<qsizetype> all(m_entries.size());
    std::iota(all.begin(), all.end(), 0);
    return all;
}

void ContactListModel::refilter()
{
    const int before = count();
    beginResetModel();
    m_rows = rowsFor(m_query);
    endResetModel();
    if (count() != before)
        Q_EMIT countChanged();
}

} // namespace vozel
