#include "FakeAddressBook.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/ContactMatcher.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QString mobile = u"_$!<Mobile>!$_"_s;
const QString work = u"_$!<Work>!$_"_s;
const QString refusedText = u"O sistema não liberou o acesso à agenda."_s;

AddressBookContact contact(const QString &id, const QString &given, const QString &family,
                           const QString &organization, QList<AddressBookNumber> numbers)
{
    return {id, given, family, organization, std::move(numbers)};
}

// A contact per name and one mobile number each, named after their position.
QList<AddressBookContact> numbered(const QStringList &names, const QString &prefix = u"+55 11 9000-"_s)
{
    QList<AddressBookContact> contacts;
    for (qsizetype i = 0; i < names.size(); ++i)
        contacts.append(contact(u"c%1"_s.arg(i), names[i], {}, {},
                                {{u"0"_s, mobile, prefix + u"%1"_s.arg(int(i), 4, 10, QChar(u'0'))}}));
    return contacts;
}

QStringList namesOf(const QList<ContactPhone> &entries)
{
    QStringList names;
    for (const ContactPhone &entry : entries)
        names.append(entry.name);
    return names;
}

void load(ContactDirectory &directory, bool force = false)
{
    QCoro::waitFor(directory.loadIfNeeded(force));
}

} // namespace

class ContactDirectoryTest : public QObject {
    Q_OBJECT

private slots:
    void entriesFollowNamesAndNumbers_data()
    {
        QTest::addColumn<AddressBookContact>("person");
        QTest::addColumn<QList<ContactPhone>>("expected");

        QTest::newRow("given and family, every number")
            << contact(u"A1"_s, u"Ana"_s, u"Souza"_s, u"ACME"_s,
                       {{u"n1"_s, mobile, u"+55 (11) 98765-4321"_s}, {u"n2"_s, work, u"11 3333.4444"_s}})
            << QList<ContactPhone>{{u"A1-n1"_s, u"Ana Souza"_s, u"Celular"_s, u"+5511987654321"_s},
                                   {u"A1-n2"_s, u"Ana Souza"_s, u"Trabalho"_s, u"1133334444"_s}};
        QTest::newRow("given name beats organisation")
            << contact(u"B"_s, u"Bruno"_s, {}, u"Oficina"_s, {{u"1"_s, {}, u"3000"_s}})
            << QList<ContactPhone>{{u"B-1"_s, u"Bruno"_s, u"Outro"_s, u"3000"_s}};
        QTest::newRow("family name alone")
            << contact(u"F"_s, {}, u"Zuleica"_s, {}, {{u"1"_s, mobile, u"4000"_s}})
            << QList<ContactPhone>{{u"F-1"_s, u"Zuleica"_s, u"Celular"_s, u"4000"_s}};
        QTest::newRow("organisation only")
            << contact(u"P"_s, {}, {}, u"Padaria"_s, {{u"x"_s, work, u"0800-000"_s}})
            << QList<ContactPhone>{{u"P-x"_s, u"Padaria"_s, u"Trabalho"_s, u"0800000"_s}};
        QTest::newRow("no name shows each number as written")
            << contact(u"N"_s, {}, {}, {}, {{u"1"_s, mobile, u"+1 555-0100"_s}, {u"2"_s, {}, u"(21) 2222"_s}})
            << QList<ContactPhone>{{u"N-1"_s, u"+1 555-0100"_s, u"Celular"_s, u"+15550100"_s},
                                   {u"N-2"_s, u"(21) 2222"_s, u"Outro"_s, u"212222"_s}};
        QTest::newRow("nothing to dial is skipped, a plus in the middle stays")
            << contact(u"S"_s, u"Sara"_s, {}, {}, {{u"1"_s, mobile, u"ramal"_s}, {u"2"_s, mobile, u"—"_s},
                                                    {u"3"_s, work, u"12+34 ext"_s}})
            << QList<ContactPhone>{{u"S-3"_s, u"Sara"_s, u"Trabalho"_s, u"12+34"_s}};
        QTest::newRow("non-ASCII digits are not dialable")
            << contact(u"U"_s, u"Umar"_s, {}, {}, {{u"1"_s, mobile, u"٠١٢٣"_s}})
            << QList<ContactPhone>{};
        QTest::newRow("no numbers at all") << contact(u"E"_s, u"Eva"_s, {}, {}, {}) << QList<ContactPhone>{};
    }

    void entriesFollowNamesAndNumbers()
    {
        QFETCH(AddressBookContact, person);
        QFETCH(QList<ContactPhone>, expected);
        FakeAddressBook book;
        book.contacts = {person};
        ContactDirectory directory(book.factory());
        load(directory);
        QCOMPARE(directory.contacts(), expected);
        QVERIFY(directory.didLoad());
        QVERIFY(!directory.accessDenied());
    }

    void keepsAddressBookOrderAndDuplicates()
    {
        FakeAddressBook book;
        book.contacts = {contact(u"z"_s, u"Zé"_s, {}, {}, {{u"1"_s, mobile, u"111"_s}, {u"2"_s, mobile, u"111"_s}}),
                         contact(u"a"_s, u"Ana"_s, {}, {}, {{u"1"_s, mobile, u"111"_s}})};
        ContactDirectory directory(book.factory());
        load(directory);
        QCOMPARE(namesOf(directory.contacts()), (QStringList{u"Zé"_s, u"Zé"_s, u"Ana"_s}));
        QCOMPARE(directory.contactList().size(), 3);
        QCOMPARE(directory.contactList().at(2).value<ContactPhone>().id, u"a-1"_s);
    }

    void matchesByNameOrDigits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("blank") << u" \t\n "_s << QStringList{};
        QTest::newRow("case-insensitive name part") << u"  souza "_s << QStringList{u"Ana Souza"_s};
        QTest::newRow("accented capitals") << u"JOÃO"_s << QStringList{u"João Ávila"_s};
        QTest::newRow("accents are not ignored") << u"joao"_s << QStringList{};
        QTest::newRow("label is not searched") << u"Celular"_s << QStringList{};
        QTest::newRow("digits ignore punctuation") << u"8765-43"_s << QStringList{u"Ana Souza"_s};
        QTest::newRow("country and area code with plus")
            << u"+55 11"_s << QStringList{u"Ana Souza"_s, u"João Ávila"_s};
        QTest::newRow("letters and digits: digits alone match")
            << u"Ana 3333"_s << QStringList{u"João Ávila"_s};
        QTest::newRow("whole query in a name, and its digits")
            << u"Padaria 3333"_s << QStringList{u"Padaria 3333"_s, u"João Ávila"_s};
        QTest::newRow("nothing matches") << u"Xavier"_s << QStringList{};
    }

    void matchesByNameOrDigits()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        FakeAddressBook book;
        book.contacts = {contact(u"1"_s, u"Ana"_s, u"Souza"_s, {}, {{u"1"_s, mobile, u"+55 (11) 98765-4321"_s}}),
                         contact(u"2"_s, {}, {}, u"Padaria 3333"_s, {{u"1"_s, work, u"(21) 2222-0000"_s}}),
                         contact(u"3"_s, u"João"_s, u"Ávila"_s, {}, {{u"1"_s, work, u"+55 11 3333-1000"_s}})};
        ContactDirectory directory(book.factory());
        load(directory);
        QCOMPARE(namesOf(directory.matches(query)), expected);
    }

    void limitKeepsTheFirstMatchesInOrder()
    {
        FakeAddressBook book;
        book.contacts = numbered({u"A0"_s, u"B1"_s, u"C2"_s, u"D3"_s, u"E4"_s, u"F5"_s, u"G6"_s, u"H7"_s,
                                  u"I8"_s, u"J9"_s});
        ContactDirectory directory(book.factory());
        load(directory);
        QCOMPARE(directory.matches(u"9000"_s).size(), 10);
        QCOMPARE(namesOf(directory.matches(u"9000"_s, 3)), (QStringList{u"A0"_s, u"B1"_s, u"C2"_s}));
        QCOMPARE(directory.matches(u"9000"_s, 0).size(), 0);
        QCOMPARE(directory.matches(u"j"_s, 3).size(), 1);
        QCOMPARE(directory.matchesFor(u"9000"_s, 2).size(), 2);
        QCOMPARE(directory.matchesFor(u"9000"_s).size(), 10);
        QCOMPARE(directory.matchesFor(u"9000"_s).at(1).value<ContactPhone>().name, u"B1"_s);
    }

    void nameComparisonFollowsTheLocale()
    {
        const QList<ContactPhone> entries{{u"1"_s, u"IŞIK"_s, {}, u"1"_s}, {u"2"_s, u"ISTANBUL"_s, {}, u"2"_s}};
        const ContactMatcher turkish(entries, QLocale(QLocale::Turkish, QLocale::Turkey));
        QCOMPARE(namesOf(turkish.matches(u"ışık"_s)), QStringList{u"IŞIK"_s});
        QCOMPARE(namesOf(turkish.matches(u"istanbul"_s)), QStringList{});
        const ContactMatcher english(entries, QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(namesOf(english.matches(u"istanbul"_s)), QStringList{u"ISTANBUL"_s});
    }

    void loadsOnlyWhenNeededOrForced()
    {
        FakeAddressBook book;
        book.contacts = numbered({u"Ana"_s});
        ContactDirectory directory(book.factory());
        QSignalSpy loadingChanges(&directory, &ContactDirectory::loadingChanged);
        load(directory);
        QCOMPARE(loadingChanges.size(), 2);
        QVERIFY(!directory.loading());

        book.contacts = numbered({u"Ana"_s, u"Bia"_s});
        load(directory);
        QCOMPARE(book.sourcesOpened, 1);
        QCOMPARE(directory.contacts().size(), 1);

        load(directory, true);
        QCOMPARE(book.sourcesOpened, 2);
        QCOMPARE(namesOf(directory.contacts()), (QStringList{u"Ana"_s, u"Bia"_s}));
    }

    void failuresKeepTheEarlierList_data()
    {
        QTest::addColumn<FakeAddressBook::Access>("access");
        QTest::addColumn<QString>("readFailure");
        QTest::addColumn<QString>("message");

        QTest::newRow("refused") << FakeAddressBook::Access::refused << QString() << refusedText;
        QTest::newRow("request fails")
            << FakeAddressBook::Access::failing << QString() << u"Falha ao pedir acesso."_s;
        QTest::newRow("reading fails")
            << FakeAddressBook::Access::granted << u"Livro corrompido."_s << u"Livro corrompido."_s;
    }

    void failuresKeepTheEarlierList()
    {
        QFETCH(FakeAddressBook::Access, access);
        QFETCH(QString, readFailure);
        QFETCH(QString, message);
        FakeAddressBook book;
        book.contacts = numbered({u"Ana"_s, u"Bia"_s});
        ContactDirectory directory(book.factory());
        load(directory);

        book.access = access;
        book.readFailure = readFailure;
        book.contacts = numbered({u"Caio"_s});
        QSignalSpy contactChanges(&directory, &ContactDirectory::contactsChanged);
        load(directory, true);
        QVERIFY(directory.accessDenied());
        QCOMPARE(directory.accessError(), message);
        QVERIFY(!directory.didLoad());
        QVERIFY(!directory.loading());
        QCOMPARE(namesOf(directory.contacts()), (QStringList{u"Ana"_s, u"Bia"_s}));
        QCOMPARE(directory.matches(u"bia"_s).size(), 1);
        QCOMPARE(contactChanges.size(), 0);

        // A failed load does not count as loaded: the next load reads again, and success clears the failure.
        book.access = FakeAddressBook::Access::granted;
        book.readFailure.clear();
        load(directory);
        QVERIFY(!directory.accessDenied());
        QCOMPARE(directory.accessError(), QString());
        QCOMPARE(namesOf(directory.contacts()), QStringList{u"Caio"_s});
    }

    void refusalReadsNothing()
    {
        FakeAddressBook book;
        book.access = FakeAddressBook::Access::refused;
        ContactDirectory directory(book.factory());
        load(directory);
        QCOMPARE(book.reads, 0);
        QVERIFY(directory.accessDenied());
        QCOMPARE(directory.accessError(), refusedText);
        QVERIFY(directory.contacts().isEmpty());
    }

    void aLoadWhileLoadingDoesNothing()
    {
        FakeAddressBook book;
        book.contacts = numbered({u"Ana"_s});
        book.holdAccess = true;
        ContactDirectory directory(book.factory());
        QCoro::Task<> first = directory.loadIfNeeded(false);
        QVERIFY(directory.loading());

        QCoro::Task<> second = directory.loadIfNeeded(true);
        QVERIFY(second.isReady());
        directory.reload();
        QCOMPARE(book.sourcesOpened, 1);
        QVERIFY(directory.loading());

        book.release();
        QCoro::waitFor(first);
        QVERIFY(!directory.loading());
        QCOMPARE(directory.contacts().size(), 1);
        QCOMPARE(book.reads, 1);
    }

    void aDirectoryGoneDuringALoadIsLeftAlone()
    {
        FakeAddressBook book;
        book.contacts = numbered({u"Ana"_s});
        book.holdAccess = true;
        auto *directory = new ContactDirectory(book.factory());
        directory->reload();
        delete directory;
        book.release();
        QCoreApplication::processEvents();
        QCOMPARE(book.reads, 0);
    }
};

QTEST_GUILESS_MAIN(ContactDirectoryTest)
#include "ContactDirectoryTest.moc"
