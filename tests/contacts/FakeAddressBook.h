#pragma once

#include "model/domain/Failure.h"
#include "services/contacts/AddressBookSource.h"

#include <QCoroSignal>
#include <QObject>

namespace vozel::test {

// An address book in memory. Every source it opens reads its current state, so a test can change
// the answers between loads, and can hold access requests until it releases them.
class FakeAddressBook : public QObject {
    Q_OBJECT

public:
    enum class Access { granted, refused, failing };

    QList<AddressBookContact> contacts;
    Access access = Access::granted;
    QString accessFailure = QStringLiteral("Falha ao pedir acesso.");
    QString readFailure; // non-empty: reading fails with this description
    bool holdAccess = false;
    int sourcesOpened = 0;
    int reads = 0;

    AddressBookSourceFactory factory();

    void release()
    {
        holdAccess = false;
        Q_EMIT released();
    }

Q_SIGNALS:
    void released();
};

class FakeAddressBookSource : public AddressBookSource {
public:
    explicit FakeAddressBookSource(FakeAddressBook *book) : m_book(book) {}

    QCoro::Task<bool> requestAccess() override
    {
        if (m_book->holdAccess)
            co_await qCoro(m_book, &FakeAddressBook::released);
        if (m_book->access == FakeAddressBook::Access::failing)
            throw PlatformError(m_book->accessFailure);
        co_return m_book->access == FakeAddressBook::Access::granted;
    }

    QCoro::Task<QList<AddressBookContact>> readContacts() override
    {
        ++m_book->reads;
        if (!m_book->readFailure.isEmpty())
            throw PlatformError(m_book->readFailure);
        // QCoro moves from a non-const lvalue given to co_return: hand it a copy.
        const QList<AddressBookContact> contacts = m_book->contacts;
        co_return contacts;
    }

    // Keys unlike the desktop's, so that tests see the source's own localisation used.
    QString localizedLabel(const QString &labelKey) const override
    {
        if (labelKey == QLatin1String("mobile"))
            return QStringLiteral("Celular");
        if (labelKey == QLatin1String("work"))
            return QStringLiteral("Trabalho");
        return labelKey.isEmpty() ? QStringLiteral("Outro") : QString();
    }

private:
    FakeAddressBook *m_book;
};

inline AddressBookSourceFactory FakeAddressBook::factory()
{
    return [this]() -> std::unique_ptr<AddressBookSource> {
        ++sourcesOpened;
        return std::make_unique<FakeAddressBookSource>(this);
    };
}

} // namespace vozel::test
