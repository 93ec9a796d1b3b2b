#include "EvolutionBook.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

QStringList rows(const QList<ContactPhone> &entries)
{
    QStringList result;
    for (const ContactPhone &entry : entries)
        result.append(entry.name + u" | "_s + entry.label + u" | "_s + entry.number);
    return result;
}

QStringList names(const QList<ContactPhone> &entries)
{
    QStringList result;
    for (const ContactPhone &entry : entries) {
        if (result.isEmpty() || result.last() != entry.name)
            result.append(entry.name);
    }
    return result;
}

AddressBookSourceFactory evolution(NameOrder order, EvolutionBounds bounds = {})
{
    return [=] { return std::make_unique<EvolutionAddressBook>(order, bounds); };
}

} // namespace

class EvolutionAddressBookTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        m_registry = QCoro::waitFor(openRegistry());
        glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(m_registry.get(), "system-address-book"));
        QVERIFY(builtin);
        m_book = QCoro::waitFor(openBook(builtin.get()));
        QCoro::waitFor(emptyBook(m_book.get()));
        m_uids = QCoro::waitFor(addCards(m_book.get(), {
            card({u"N:Souza;Ana;;;"_s, u"FN:Ana Souza"_s, u"ORG:ACME"_s, u"TEL;TYPE=CELL:+55 (11) 98765-4321"_s,
                  u"TEL;TYPE=WORK,VOICE:(11) 3333-4444 r. 12"_s}),
            card({u"N:Dias;Zuleica;;;"_s, u"FN:Zuleica Dias"_s, u"TEL;TYPE=PREF:+55 31 3000-0000"_s}),
            card({u"ORG:Padaria Pão Quente"_s, u"TEL;TYPE=WORK,FAX:(11) 4004-0001"_s, u"TEL:0800 777 1234"_s,
                  u"TEL;TYPE=CELL:sem número"_s, u"TEL;TYPE=HOME:+55 11 2000-0000"_s}),
            card({u"TEL;TYPE=CELL:+1 555-0100"_s}),
            card({u"N:;bruno;;;"_s, u"ORG:Oficina"_s, u"TEL;TYPE=HOME:21 2222-1111"_s}),
            card({u"FN:Carla Mendes"_s, u"TEL;TYPE=PAGER:555 123"_s}),
            card({u"N:Lopes;Márcio;;;"_s, u"EMAIL:marcio@example.com"_s}),
        }));
        QCOMPARE(m_uids.size(), 7);
    }

    void readsTheBuiltinBookInNameOrder()
    {
        ContactDirectory directory(evolution(NameOrder::givenNameFirst));
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY2(!directory.accessDenied(), qPrintable(directory.accessError()));
        QCOMPARE(rows(directory.contacts()), (QStringList{
            u"Ana Souza | Celular | +5511987654321"_s,
            u"Ana Souza | Trabalho | 113333444412"_s,
            u"bruno | Residencial | 2122221111"_s,
            u"Carla Mendes | Pager | 555123"_s,
            u"Padaria Pão Quente | Fax | 1140040001"_s,
            u"Padaria Pão Quente | Outro | 08007771234"_s,
            u"Padaria Pão Quente | Residencial | +551120000000"_s,
            u"Zuleica Dias | Principal | +553130000000"_s,
            u"+1 555-0100 | Celular | +15550100"_s,
        }));

        // Entries are identified by book, contact and position, and keep that on every read.
        const QString padaria = u"system-address-book:"_s + m_uids[2];
        QCOMPARE(directory.contacts()[4].id, padaria + u"-0"_s);
        QCOMPARE(directory.contacts()[6].id, padaria + u"-3"_s);
        const QList<ContactPhone> first = directory.contacts();
        QCoro::waitFor(directory.loadIfNeeded(true));
        QCOMPARE(directory.contacts(), first);
        QCOMPARE(rows(directory.matches(u"4004"_s)), QStringList{u"Padaria Pão Quente | Fax | 1140040001"_s});
    }

    // A card with only a formatted name has no family name to sort by.
    void followsTheFamilyNameOrder()
    {
        ContactDirectory directory(evolution(NameOrder::familyNameFirst));
        QCoro::waitFor(directory.loadIfNeeded(false));
        QCOMPARE(names(directory.contacts()), (QStringList{u"bruno"_s, u"Carla Mendes"_s, u"Zuleica Dias"_s,
                                                           u"Padaria Pão Quente"_s, u"Ana Souza"_s,
                                                           u"+1 555-0100"_s}));
    }

    void readsTheOtherEnabledBooks()
    {
        glib::ObjectPtr<ESource> team = QCoro::waitFor(createLocalBook(m_registry.get(), "Equipe"));
        const auto removeTeam = qScopeGuard([&] { QCoro::waitFor(removeSource(team.get())); });
        glib::ObjectPtr<EBookClient> teamBook = QCoro::waitFor(openBook(team.get()));
        QCoro::waitFor(addCards(teamBook.get(), {card({u"N:Lima;Beatriz;;;"_s, u"TEL;TYPE=CELL:11 99999-0000"_s})}));

        ContactDirectory directory(evolution(NameOrder::givenNameFirst));
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY2(!directory.accessDenied(), qPrintable(directory.accessError()));
        QCOMPARE(names(directory.contacts()).mid(0, 3), (QStringList{u"Ana Souza"_s, u"Beatriz Lima"_s, u"bruno"_s}));
        QVERIFY(directory.contacts()[2].id.startsWith(QString::fromUtf8(e_source_get_uid(team.get())) + u':'));
    }

    void aServiceTooSlowFailsWithinTheBound()
    {
        ContactDirectory directory(evolution(NameOrder::givenNameFirst, {std::chrono::milliseconds(0)}));
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(directory.accessDenied());
        QCOMPARE(directory.accessError(), u"A agenda do sistema não respondeu a tempo."_s);
        QVERIFY(!directory.loading());
    }

    void cleanupTestCase()
    {
        if (m_book)
            QCoro::waitFor(emptyBook(m_book.get()));
    }

private:
    glib::ObjectPtr<ESourceRegistry> m_registry;
    glib::ObjectPtr<EBookClient> m_book;
    QStringList m_uids;
};

QTEST_GUILESS_MAIN(EvolutionAddressBookTest)
#include "EvolutionAddressBookTest.moc"
