#include "services/glib/GLibSupport.h"

#include <libebook/libebook.h>

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QDeadlineTimer>
#include <QTest>

#include <stdexcept>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

template<typename T>
T checked(T result, const glib::Error &error)
{
    if (!result)
        throw std::runtime_error(glib::errorMessage(error.get()).toStdString());
    return result;
}

// Adds cards, given as the property lines of vCard 3.0 texts, to a book; returns their identifiers in order.
QStringList addCards(ESource *source, const QList<QStringList> &cards)
{
    // Connecting synchronously would wait its whole bound: the connected state arrives through the main loop.
    const auto connected = QCoro::waitFor([source]() -> QCoro::Task<glib::ObjectPtr<GAsyncResult>> {
        co_return co_await glib::AsyncCall([source](GAsyncReadyCallback done, gpointer data) {
            e_book_client_connect(source, 5, nullptr, done, data);
        });
    }());
    glib::Error error;
    glib::ObjectPtr<EBookClient> book(
        E_BOOK_CLIENT(checked(e_book_client_connect_finish(connected.get(), error.out()), error)));
    QStringList uids;
    for (const QStringList &lines : cards) {
        const QString text = u"BEGIN:VCARD\r\nVERSION:3.0\r\n"_s + lines.join(u"\r\n"_s) + u"\r\nEND:VCARD"_s;
        glib::ObjectPtr<EContact> contact(e_contact_new_from_vcard(text.toUtf8().constData()));
        gchar *uid = nullptr;
        checked(e_book_client_add_contact_sync(book.get(), contact.get(), E_BOOK_OPERATION_FLAG_NONE, &uid, nullptr,
                                               error.out()),
                error);
        uids.append(QString::fromUtf8(uid));
        g_free(uid);
    }
    return uids;
}

std::unique_ptr<ContactDirectory> directory(NameOrder order, EvolutionBounds bounds = {})
{
    auto result = std::make_unique<ContactDirectory>([=] { return std::make_unique<EvolutionAddressBook>(order, bounds); });
    QCoro::waitFor(result->loadIfNeeded(false));
    return result;
}

} // namespace

// Against the session's Evolution Data Server, fresh for every run (tests/sandbox.sh gives each its own
// data folders). Names are plain ASCII, so that their order is the same in every locale.
class EvolutionAddressBookTest : public QObject {
    Q_OBJECT

    QString m_padaria, m_teamBook;

private Q_SLOTS:
    void initTestCase()
    {
        glib::Error error;
        glib::ObjectPtr<ESourceRegistry> registry(checked(e_source_registry_new_sync(nullptr, error.out()), error));
        glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(registry.get(), "system-address-book"));
        QVERIFY(builtin);
        const QStringList uids = addCards(builtin.get(), {
            {u"N:Souza;Ana;;;"_s, u"ORG:ACME"_s, u"TEL;TYPE=CELL:+55 (11) 98765-4321"_s,
             u"TEL;TYPE=WORK,VOICE:(11) 3333-4444 r. 12"_s},
            {u"N:Dias;Zuleica;;;"_s, u"TEL;TYPE=PREF:+55 31 3000-0000"_s},
            {u"ORG:Padaria Pao Quente"_s, u"TEL;TYPE=WORK,FAX:(11) 4004-0001"_s, u"TEL:0800 777 1234"_s,
             u"TEL;TYPE=CELL:sem numero ٠١٢"_s, u"TEL;TYPE=home:+55 11 2000-0000"_s},
            {u"TEL;TYPE=CELL:+1 555-0100"_s, u"TEL:(21) 2222"_s},
            {u"N:;bruno;;;"_s, u"ORG:Oficina"_s, u"TEL;TYPE=PAGER:21 2222-1111"_s},
            {u"FN:Carla Mendes"_s, u"item1.TEL;TYPE=PREF,CELL:555 123"_s, u"item1.X-ABLabel:Portaria"_s},
            {u"N:Lopes;Marcio;;;"_s, u"EMAIL:marcio@example.com"_s},
        });
        QCOMPARE(uids.size(), 7);
        m_padaria = u"system-address-book:"_s + uids[2];

        // Another book on this computer, as online accounts add them.
        glib::ObjectPtr<ESource> team(e_source_new(nullptr, nullptr, nullptr));
        e_source_set_parent(team.get(), "local-stub");
        e_source_set_display_name(team.get(), "Equipe");
        e_source_backend_set_backend_name(
            E_SOURCE_BACKEND(e_source_get_extension(team.get(), E_SOURCE_EXTENSION_ADDRESS_BOOK)), "local");
        checked(e_source_registry_commit_source_sync(registry.get(), team.get(), nullptr, error.out()), error);
        m_teamBook = QString::fromUtf8(e_source_get_uid(team.get()));
        glib::ObjectPtr<ESource> listed(e_source_registry_ref_source(registry.get(), e_source_get_uid(team.get())));
        QVERIFY(listed);
        addCards(listed.get(), {{u"N:Lima;;;;"_s, u"TEL;TYPE=CELL:11 99999-0000"_s}});
    }

    void readsEveryBookInTheUsersNameOrder()
    {
        const auto contacts = directory(NameOrder::givenNameFirst);
        QVERIFY2(!contacts->accessDenied(), qPrintable(contacts->accessError()));
        QStringList rows;
        for (const ContactPhone &entry : contacts->contacts())
            rows.append(entry.name + u" | "_s + entry.label + u" | "_s + entry.number);
        QCOMPARE(rows, (QStringList{
            u"Ana Souza | Celular | +5511987654321"_s, u"Ana Souza | Trabalho | 113333444412"_s,
            u"bruno | Pager | 2122221111"_s,
            u"Carla Mendes | Portaria | 555123"_s,
            u"Lima | Celular | 11999990000"_s,
            u"Padaria Pao Quente | Fax | 1140040001"_s, u"Padaria Pao Quente | Outro | 08007771234"_s,
            u"Padaria Pao Quente | Residencial | +551120000000"_s,
            u"Zuleica Dias | Principal | +553130000000"_s,
            u"+1 555-0100 | Celular | +15550100"_s, u"(21) 2222 | Outro | 212222"_s}));

        // Entries are named by book, contact and position, and keep that on every read.
        QVERIFY(contacts->contacts()[4].id.startsWith(m_teamBook + u':'));
        QCOMPARE(contacts->contacts()[7].id, m_padaria + u"-3"_s);
        const QList<ContactPhone> first = contacts->contacts();
        QCoro::waitFor(contacts->loadIfNeeded(true));
        QCOMPARE(contacts->contacts(), first);

        // A card with only a formatted name has no family name to sort by.
        QStringList familyFirst;
        const auto byFamilyName = directory(NameOrder::familyNameFirst);
        for (const ContactPhone &entry : byFamilyName->contacts())
            familyFirst.append(entry.name);
        familyFirst.removeDuplicates();
        QCOMPARE(familyFirst, (QStringList{u"bruno"_s, u"Carla Mendes"_s, u"Zuleica Dias"_s, u"Lima"_s,
                                           u"Padaria Pao Quente"_s, u"Ana Souza"_s, u"+1 555-0100"_s, u"(21) 2222"_s}));
    }

    void aSlowServiceFailsWithinTheBound()
    {
        const QDeadlineTimer bound(2000);
        const auto contacts = directory(NameOrder::givenNameFirst, {std::chrono::milliseconds(0)});
        QVERIFY(!bound.hasExpired());
        QVERIFY(contacts->accessDenied());
        QCOMPARE(contacts->accessError(), u"A agenda do sistema não respondeu a tempo."_s);
    }
};

QTEST_GUILESS_MAIN(EvolutionAddressBookTest)
#include "EvolutionAddressBookTest.moc"
