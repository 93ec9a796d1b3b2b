#include "FakeAddressBook.h"

#include "services/contacts/ContactDirectory.h"

#include <QSignalSpy>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

// A contact with one number per "label:text" item.
AddressBookContact contact(const QString &id, const QString &given, const QString &family, const QString &org,
                           const QStringList &numbers)
{
    AddressBookContact result{id, given, family, org, {}};
    for (qsizetype i = 0; i < numbers.size(); ++i)
        result.numbers.append({QString::number(i), numbers[i].section(u':', 0, 0), numbers[i].section(u':', 1)});
    return result;
}

QStringList rows(const QList<ContactPhone> &entries)
{
    QStringList result;
    for (const ContactPhone &entry : entries)
        result.append(entry.id + u'|' + entry.name + u'|' + entry.label + u'|' + entry.number);
    return result;
}

// The names the list shows for the query.
QStringList names(ContactListModel &model, const QString &query)
{
    model.setQuery(query);
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.data(model.index(row), ContactListModel::NameRole).toString());
    return result;
}

// Stored with the tilde as a character of its own, the acute accent within its letter.
const QString joaoAvila = u"Joa\u0303o Ávila"_s;

const QList<AddressBookContact> searchable{
    contact(u"1"_s, u"Ana"_s, u"Souza"_s, {}, {u"mobile:+55 (11) 98765-4321"_s}),
    contact(u"2"_s, {}, {}, u"Padaria 3333"_s, {u"work:(21) 2222-0000"_s}),
    contact(u"3"_s, u"Joa\u0303o"_s, u"Ávila"_s, {}, {u"work:+55 11 3333-1000"_s}),
};

} // namespace

class ContactDirectoryTest : public QObject {
    Q_OBJECT

    FakeAddressBook book;
    std::unique_ptr<ContactDirectory> directory;

    void load(bool force = false) { QCoro::waitFor(directory->loadIfNeeded(force)); }

private slots:
    void init()
    {
        book.contacts = searchable;
        book.access = FakeAddressBook::Access::granted;
        book.readFailure.clear();
        book.sourcesOpened = book.reads = 0;
        directory = std::make_unique<ContactDirectory>(book.factory());
    }

    void entriesFollowTheAddressBook()
    {
        book.contacts = {
            contact(u"Z"_s, u"Zé"_s, u"Souza"_s, u"ACME"_s, {u"mobile:+55 (11) 98765-4321"_s, u"work:11 3333.4444"_s}),
            contact(u"B"_s, u"Bruno"_s, {}, u"Oficina"_s, {u":3000"_s}),
            contact(u"F"_s, {}, u"Zuleica"_s, {}, {u"mobile:4000"_s, u"mobile:4000"_s}),
            contact(u"P"_s, {}, {}, u"Padaria"_s, {u"work:ramal"_s, u"work:12+34 ext"_s, u"work:٠١٢"_s}),
            contact(u"N"_s, {}, {}, {}, {u"mobile:+1 555-0100"_s, u":(21) 2222"_s}),
            contact(u"E"_s, u"Eva"_s, {}, {}, {}),
        };
        load();
        QCOMPARE(rows(directory->contacts()), (QStringList{
            u"Z-0|Zé Souza|Celular|+5511987654321"_s, u"Z-1|Zé Souza|Trabalho|1133334444"_s,
            u"B-0|Bruno|Outro|3000"_s,
            u"F-0|Zuleica|Celular|4000"_s, u"F-1|Zuleica|Celular|4000"_s,
            u"P-1|Padaria|Trabalho|12+34"_s,
            u"N-0|+1 555-0100|Celular|+15550100"_s, u"N-1|(21) 2222|Outro|212222"_s}));
    }

    void matchesByNameOrDigits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("blank shows all") << u" \t\n "_s << QStringList{u"Ana Souza"_s, u"Padaria 3333"_s, joaoAvila};
        QTest::newRow("any case, trimmed") << u"  souza "_s << QStringList{u"Ana Souza"_s};
        QTest::newRow("accents count") << u"joao"_s << QStringList{};
        QTest::newRow("composed finds decomposed") << u"joão"_s << QStringList{joaoAvila};
        QTest::newRow("decomposed finds composed") << u"A\u0301vila"_s << QStringList{joaoAvila};
        QTest::newRow("labels are not searched") << u"Celular"_s << QStringList{};
        QTest::newRow("digits ignore punctuation") << u"8765-43"_s << QStringList{u"Ana Souza"_s};
        QTest::newRow("plus, country and area code") << u"+55 11"_s << QStringList{u"Ana Souza"_s, joaoAvila};
        QTest::newRow("whole query in a name, and its digits")
            << u"Padaria 3333"_s << QStringList{u"Padaria 3333"_s, joaoAvila};
    }

    void matchesByNameOrDigits()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        load();
        QCOMPARE(names(*directory->contactModel(), query), expected);
    }

    void namesCompareInTheLocale()
    {
        const QList<ContactPhone> entries{{u"1"_s, u"IŞIK"_s, {}, u"1"_s}, {u"2"_s, u"ISTANBUL"_s, {}, u"2"_s}};
        const ContactMatcher turkish(entries, QLocale(QLocale::Turkish, QLocale::Turkey));
        QCOMPARE(turkish.matches(u"ışık"_s), QList<qsizetype>{0});
        QCOMPARE(turkish.matches(u"istanbul"_s), QList<qsizetype>{});
    }

    void readsAgainOnlyWhenForced()
    {
        QSignalSpy loadingChanges(directory.get(), &ContactDirectory::loadingChanged);
        load();
        QCOMPARE(loadingChanges.size(), 2);
        book.contacts.removeLast();
        load();
        QCOMPARE(book.sourcesOpened, 1);
        QCOMPARE(directory->contacts().size(), 3);
        load(true);
        QCOMPARE(directory->contactModel()->count(), 2);
    }

    void failuresKeepTheEarlierList_data()
    {
        QTest::addColumn<FakeAddressBook::Access>("access");
        QTest::addColumn<QString>("readFailure");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << FakeAddressBook::Access::refused << QString()
                                 << u"O sistema não liberou o acesso à agenda."_s;
        QTest::newRow("request fails") << FakeAddressBook::Access::failing << QString() << u"Falha ao pedir acesso."_s;
        QTest::newRow("reading fails") << FakeAddressBook::Access::granted << u"Livro ilegível."_s << u"Livro ilegível."_s;
    }

    void failuresKeepTheEarlierList()
    {
        QFETCH(FakeAddressBook::Access, access);
        QFETCH(QString, readFailure);
        QFETCH(QString, message);
        load();
        book.access = access;
        book.readFailure = readFailure;
        book.contacts.removeLast();
        load(true);
        QVERIFY(directory->accessDenied());
        QCOMPARE(directory->accessError(), message);
        QVERIFY(!directory->loading());
        QCOMPARE(directory->contacts().size(), 3);
        QCOMPARE(names(*directory->contactModel(), u"joão"_s), QStringList{joaoAvila});
        QCOMPARE(book.reads, access == FakeAddressBook::Access::granted ? 2 : 1);

        // A failed load does not count: the next one reads again, and success clears the failure.
        book.access = FakeAddressBook::Access::granted;
        book.readFailure.clear();
        load();
        QVERIFY(!directory->accessDenied());
        QCOMPARE(directory->accessError(), QString());
        QCOMPARE(directory->contacts().size(), 2);
    }

    void aLoadWhileLoadingDoesNothing()
    {
        book.holdAccess = true;
        QCoro::Task<> first = directory->loadIfNeeded(false);
        QVERIFY(directory->loading());
        QVERIFY(directory->loadIfNeeded(true).isReady());
        directory->reload();
        QCOMPARE(book.sourcesOpened, 1);

        book.release();
        QCoro::waitFor(first);
        QVERIFY(!directory->loading());
        QCOMPARE(directory->contacts().size(), 3);
    }

    void aDirectoryGoneDuringALoadIsLeftAlone()
    {
        book.holdAccess = true;
        directory->reload();
        directory.reset();
        book.release();
        QCOMPARE(book.reads, 0);
    }
};

QTEST_GUILESS_MAIN(ContactDirectoryTest)
#include "ContactDirectoryTest.moc"
