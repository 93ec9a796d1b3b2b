#pragma once

#include "services/contacts/ContactMatcher.h"
#include "services/contacts/ContactPhone.h"

#include <QAbstractListModel>

namespace vozel {

// The address book's numbers as list rows, narrowed to those that match `query` (all of them while
// it is blank). A search only picks rows: the entries are never copied out to the view.
class ContactListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { NameRole = Qt::UserRole + 1, LabelRole, NumberRole };

    using QAbstractListModel::QAbstractListModel;

    const QList<ContactPhone> &entries() const { return m_entries; }
    void setEntries(QList<ContactPhone> entries);
    QList<ContactPhone> matches(const QString &query) const;

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    int count() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void queryChanged();
    void countChanged();

private:
    QList<qsizetype> rowsFor(const QString &query) const;
    void refilter();

    QList<ContactPhone> m_entries;
    ContactMatcher m_matcher;
    QString m_query;
    QList<qsizetype> m_rows; // positions in m_entries
};

} // namespace vozel
