#pragma once

#include "services/contacts/AddressBookSource.h"
#include "services/contacts/ContactMatcher.h"
#include "services/contacts/ContactPhone.h"

#include <QCoroTask>
#include <QObject>
#include <QVariantList>

#include <optional>

namespace vozel {

// The searchable list of telephone numbers in the user's address book. Main thread only;
// every load opens the address book afresh, and a list read earlier stays when a load fails.
class ContactDirectory : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariantList contacts READ contactList NOTIFY contactsChanged)
    Q_PROPERTY(int count READ count NOTIFY contactsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool accessDenied READ accessDenied NOTIFY accessDeniedChanged)
    Q_PROPERTY(QString accessError READ accessError NOTIFY accessErrorChanged)

public:
    // Reads the desktop's address book (Evolution Data Server).
    explicit ContactDirectory(QObject *parent = nullptr);
    explicit ContactDirectory(AddressBookSourceFactory openSource, QObject *parent = nullptr);

    const QList<ContactPhone> &contacts() const { return m_contacts; }
    QVariantList contactList() const { return m_contactList; }
    int count() const { return int(m_contacts.size()); }
    bool loading() const { return m_loading; }
    bool accessDenied() const { return m_accessDenied; }
    QString accessError() const { return m_accessError; }
    bool didLoad() const { return m_didLoad; }

    // Reads the address book unless a load is running, or one has succeeded and `force` is false.
    QCoro::Task<> loadIfNeeded(bool force);

    QList<ContactPhone> matches(const QString &query, std::optional<qsizetype> limit = std::nullopt) const;

    // For QML: starts a forced reload without waiting for it.
    Q_INVOKABLE void reload();
    // For QML: the matches as a list of ContactPhone values; a negative limit means all of them.
    Q_INVOKABLE QVariantList matchesFor(const QString &query, int limit = -1) const;

Q_SIGNALS:
    void contactsChanged();
    void loadingChanged();
    void accessDeniedChanged();
    void accessErrorChanged();

private:
    void setContacts(QList<ContactPhone> contacts);
    void setLoading(bool loading);
    void setFailure(bool denied, const QString &message);

    AddressBookSourceFactory m_openSource;
    QList<ContactPhone> m_contacts;
    QVariantList m_contactList;
    ContactMatcher m_matcher;
    bool m_loading = false;
    bool m_accessDenied = false;
    QString m_accessError;
    bool m_didLoad = false;
};

} // namespace vozel
