#pragma once

#include "model/domain/Failure.h"
#include "services/contacts/AddressBookSource.h"

#include <QCoroSignal>
#include <QHash>
#include <QObject>
#include <QPointer>

namespace vozel::test {

// An address book held in memory. Every source it opens reads the current state, so a test can
// change the answers between loads, and can hold requests until it releases them.
class FakeAddressBook : public QObject {
    Q_OBJECT

public:
    enum class Access { granted, refused, failing };

    QList<AddressBookContact> contacts;
    Access access = Access::granted;
    QString accessFailure = QStringLiteral("Falha ao pedir acesso.");
    QString readFailure; // non-empty: reading fails with this description
    bool holdAccess = false; // access requests wait for release()
    int sourcesOpened = 0;
    int reads = 0;

    AddressBookSourceFactory factory();

    Q_INVOKABLE void release()
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
            co_await qCoro(m_book.data(), &FakeAddressBook::released);
        switch (m_book->access) {
        case FakeAddressBook::Access::granted:
            co_return true;
        case FakeAddressBook::Access::refused:
            co_return false;
        case FakeAddressBook::Access::failing:
            break;
        }
        throw PlatformError(m_book->accessFailure);
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

    // Keys in the style of another platform's address book, so that tests see the source's own
    // localisation used rather than some fixed table.
    QString localizedLabel(const QString &labelKey) const override
    {
        static const QHash<QString, QString> labels = {
            {QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("Celular")},
            {QStringLiteral("_$!<Work>!$_"), QStringLiteral("Trabalho")},
            {QString(), QStringLiteral("Outro")},
            {QStringLiteral("blank"), QString()},
        };
        return labels.value(labelKey, labelKey);
    }

private:
    QPointer<FakeAddressBook> m_book;
};

inline AddressBookSourceFactory FakeAddressBook::factory()
{
    return [book = QPointer<FakeAddressBook>(this)]() -> std::unique_ptr<AddressBookSource> {
        ++book->sourcesOpened;
        return std::make_unique<FakeAddressBookSource>(book.data());
    };
}

} // namespace vozel::test
