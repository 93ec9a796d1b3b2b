#pragma once

#include "services/contacts/AddressBookSource.h"
#include "services/contacts/ContactListModel.h"

#include <QCoroTask>
#include <QObject>

namespace vozel {

// The searchable list of telephone numbers in the user's address book. Main thread only;
// every load opens the address book afresh, and a list read earlier stays when a load fails.
// Views show `contacts`, a list model narrowed by its query.
class ContactDirectory : public QObject {
    Q_OBJECT
    Q_PROPERTY(vozel::ContactListModel *contacts READ contactModel CONSTANT)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool accessDenied READ accessDenied NOTIFY accessDeniedChanged)
    Q_PROPERTY(QString accessError READ accessError NOTIFY accessErrorChanged)

public:
    // Reads the desktop's address book (Evolution Data Server).
    explicit ContactDirectory(QObject *parent = nullptr);
    explicit ContactDirectory(AddressBookSourceFactory openSource, QObject *parent = nullptr);

    const QList<ContactPhone> &contacts() const { return m_contacts.entries(); }
    ContactListModel *contactModel() { return &m_contacts; }
    bool loading() const { return m_loading; }
    bool accessDenied() const { return m_accessDenied; }
    QString accessError() const { return m_accessError; }

    // Reads the address book unless a load is running, or one has succeeded and `force` is false.
    QCoro::Task<> loadIfNeeded(bool force);

    QList<ContactPhone> matches(const QString &query) const { return m_contacts.matches(query); }

    // For QML: starts a forced reload without waiting for it.
    Q_INVOKABLE void reload();

Q_SIGNALS:
    void loadingChanged();
    void accessDeniedChanged();
    void accessErrorChanged();

private:
    void setLoading(bool loading);
    void setFailure(bool denied, const QString &message);

    AddressBookSourceFactory m_openSource;
    ContactListModel m_contacts{this};
    bool m_loading = false;
    bool m_accessDenied = false;
    QString m_accessError;
    bool m_didLoad = false;
};

} // namespace vozel
