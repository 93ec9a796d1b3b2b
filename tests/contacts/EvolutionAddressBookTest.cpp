#include "EvolutionBook.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QElapsedTimer>
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

std::unique_ptr<ContactDirectory> directory(NameOrder order, EvolutionBounds bounds = {})
{
    auto result = std::make_unique<ContactDirectory>([=] { return std::make_unique<EvolutionAddressBook>(order, bounds); });
    QCoro::waitFor(result->loadIfNeeded(false));
    return result;
}

} // namespace

// Against the session's Evolution Data Server; names are plain ASCII where their order is checked,
// so that the result is the same in every locale.
class EvolutionAddressBookTest : public QObject {
    Q_OBJECT

    glib::ObjectPtr<ESourceRegistry> m_registry;
    QStringList m_uids;

private Q_SLOTS:
    void initTestCase()
    {
        m_registry = QCoro::waitFor(openRegistry());
        glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(m_registry.get(), "system-address-book"));
        QVERIFY(builtin);
        glib::ObjectPtr<EBookClient> book = QCoro::waitFor(openBook(builtin.get()));
        m_uids = QCoro::waitFor(addCards(book.get(), {
            {u"N:Souza;Ana;;;"_s, u"ORG:ACME"_s, u"TEL;TYPE=CELL:+55 (11) 98765-4321"_s,
             u"TEL;TYPE=WORK,VOICE:(11) 3333-4444 r. 12"_s},
            {u"N:Dias;Zuleica;;;"_s, u"TEL;TYPE=PREF:+55 31 3000-0000"_s},
            {u"ORG:Padaria Pao Quente"_s, u"TEL;TYPE=WORK,FAX:(11) 4004-0001"_s, u"TEL:0800 777 1234"_s,
             u"TEL;TYPE=CELL:sem numero"_s, u"TEL;TYPE=home:+55 11 2000-0000"_s},
            {u"TEL;TYPE=CELL:+1 555-0100"_s},
            {u"N:;bruno;;;"_s, u"ORG:Oficina"_s, u"TEL;TYPE=PAGER:21 2222-1111"_s},
            {u"FN:Carla Mendes"_s, u"item1.TEL;TYPE=PREF,CELL:555 123"_s, u"item1.X-ABLabel:Portaria"_s},
            {u"N:Lopes;Marcio;;;"_s, u"EMAIL:marcio@example.com"_s},
        }));
        QCOMPARE(m_uids.size(), 7);
    }

    void readsTheBuiltinBookInNameOrder()
    {
        const auto contacts = directory(NameOrder::givenNameFirst);
        QVERIFY2(!contacts->accessDenied(), qPrintable(contacts->accessError()));
        QCOMPARE(rows(contacts->contacts()), (QStringList{
            u"Ana Souza | Celular | +5511987654321"_s, u"Ana Souza | Trabalho | 113333444412"_s,
            u"bruno | Pager | 2122221111"_s,
            u"Carla Mendes | Portaria | 555123"_s,
            u"Padaria Pao Quente | Fax | 1140040001"_s, u"Padaria Pao Quente | Outro | 08007771234"_s,
            u"Padaria Pao Quente | Residencial | +551120000000"_s,
            u"Zuleica Dias | Principal | +553130000000"_s,
            u"+1 555-0100 | Celular | +15550100"_s}));

        // Entries are named by book, contact and position, and keep that on every read.
        const QString padaria = u"system-address-book:"_s + m_uids[2];
        QCOMPARE(contacts->contacts()[6].id, padaria + u"-3"_s);
        const QList<ContactPhone> first = contacts->contacts();
        QCoro::waitFor(contacts->loadIfNeeded(true));
        QCOMPARE(contacts->contacts(), first);
    }

    // A card with only a formatted name has no family name to sort by.
    void followsTheFamilyNameOrder()
    {
        QCOMPARE(names(directory(NameOrder::familyNameFirst)->contacts()),
                 (QStringList{u"bruno"_s, u"Carla Mendes"_s, u"Zuleica Dias"_s, u"Padaria Pao Quente"_s,
                              u"Ana Souza"_s, u"+1 555-0100"_s}));
    }

    void readsTheOtherBooksToo()
    {
        glib::ObjectPtr<ESource> team = QCoro::waitFor(createLocalBook(m_registry.get(), "Equipe"));
        glib::ObjectPtr<EBookClient> teamBook = QCoro::waitFor(openBook(team.get()));
        QCoro::waitFor(addCards(teamBook.get(), {{u"N:Lima;Beatriz;;;"_s, u"TEL;TYPE=CELL:11 99999-0000"_s}}));

        const auto contacts = directory(NameOrder::givenNameFirst);
        QCOMPARE(names(contacts->contacts()).mid(0, 3), (QStringList{u"Ana Souza"_s, u"Beatriz Lima"_s, u"bruno"_s}));
        QVERIFY(contacts->contacts()[2].id.startsWith(QString::fromUtf8(e_source_get_uid(team.get())) + u':'));
    }

    void aSlowServiceFailsWithinTheBound()
    {
        QElapsedTimer clock;
        clock.start();
        const auto contacts = directory(NameOrder::givenNameFirst, {std::chrono::milliseconds(0)});
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(contacts->accessDenied());
        QCOMPARE(contacts->accessError(), u"A agenda do sistema não respondeu a tempo."_s);
    }
};

QTEST_GUILESS_MAIN(EvolutionAddressBookTest)
#include "EvolutionAddressBookTest.moc"
