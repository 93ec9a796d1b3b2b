// Loads and searches 10,000 contacts: first from memory (the directory's own work), then from
// Evolution Data Server (the whole path a user waits for). Run it inside tests/sandbox.sh, whose
// address book starts empty.
// Usage: contacts_benchmark [--memory-only]
#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"
#include "services/glib/GLibSupport.h"

#include <libebook/libebook.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

constexpr int contactCount = 10000;

const QStringList givenNames{u"Ana"_s, u"Bruno"_s, u"Carla"_s, u"Davi"_s, u"Eduarda"_s, u"Fábio"_s,
                             u"Gabriela"_s, u"Heitor"_s, u"Isabela"_s, u"João"_s, u"Larissa"_s, u"Marcos"_s};
const QStringList familyNames{u"Silva"_s, u"Souza"_s, u"Oliveira"_s, u"Santos"_s, u"Lima"_s, u"Pereira"_s,
                              u"Costa"_s, u"Ferreira"_s, u"Almeida"_s, u"Araújo"_s, u"Ribeiro"_s};

// The contacts handed over as they are, so that the load measures the directory's own work.
class MemoryBook : public AddressBookSource {
public:
    explicit MemoryBook(QList<AddressBookContact> contacts) : m_contacts(std::move(contacts)) {}
    QCoro::Task<bool> requestAccess() override { co_return true; }
    QCoro::Task<QList<AddressBookContact>> readContacts() override
    {
        const QList<AddressBookContact> contacts = m_contacts;
        co_return contacts;
    }
    QString localizedLabel(const QString &labelKey) const override { return labelKey; }

private:
    QList<AddressBookContact> m_contacts;
};

struct Person {
    QString given, family, mobile, work;
};

QList<Person> people()
{
    QRandomGenerator random(20240601);
    QList<Person> result;
    for (int i = 0; i < contactCount; ++i) {
        result.append({givenNames[random.bounded(int(givenNames.size()))],
                       familyNames[random.bounded(int(familyNames.size()))] + u' ' + QString::number(i),
                       u"+55 (11) 9%1-%2"_s.arg(random.bounded(1000, 10000)).arg(i, 4, 10, QChar(u'0')),
                       i % 2 ? u"(21) 3%1-0000"_s.arg(i, 3, 10, QChar(u'0')) : QString()});
    }
    return result;
}

const QStringList queries{u"souza"_s, u"ana silva"_s, u"98765"_s, u"+55 11"_s, u"zz"_s, u"a"_s};

void measureSearch(const ContactDirectory &directory)
{
    constexpr int rounds = 50;
    for (const QString &query : queries) {
        QElapsedTimer clock;
        clock.start();
        qsizetype found = 0;
        for (int i = 0; i < rounds; ++i)
            found = directory.matches(query).size();
        std::printf("  query %-12s %6lld matches  %7.3f ms per query\n", qPrintable(u'"' + query + u'"'),
                    static_cast<long long>(found), clock.nsecsElapsed() / 1e6 / rounds);
    }
}

void loadAndMeasure(ContactDirectory &directory, const char *what)
{
    QElapsedTimer clock;
    clock.start();
    QCoro::waitFor(directory.loadIfNeeded(true));
    if (directory.accessDenied()) {
        std::printf("%s: the load failed: %s\n", what, qPrintable(directory.accessError()));
        return;
    }
    std::printf("%s: %lld entries loaded in %.1f ms\n", what, static_cast<long long>(directory.contacts().size()),
                clock.nsecsElapsed() / 1e6);
}

void fromMemory(const QList<Person> &everyone)
{
    QList<AddressBookContact> contacts;
    for (int i = 0; i < everyone.size(); ++i) {
        const Person &p = everyone[i];
        AddressBookContact contact{QString::number(i), p.given, p.family, {}, {{u"0"_s, u"mobile"_s, p.mobile}}};
        if (!p.work.isEmpty())
            contact.numbers.append({u"1"_s, u"work"_s, p.work});
        contacts.append(contact);
    }
    ContactDirectory directory([&] { return std::make_unique<MemoryBook>(contacts); });
    loadAndMeasure(directory, "memory");
    measureSearch(directory);
}

// Writes everyone into the built-in address book; exits on the first failure, as set-up is not measured.
void fillEvolution(const QList<Person> &everyone)
{
    const auto failed = [](GError *error) {
        std::fprintf(stderr, "evolution: %s\n", error ? error->message : "failed");
        std::exit(1);
    };
    GError *error = nullptr;
    glib::ObjectPtr<ESourceRegistry> registry(e_source_registry_new_sync(nullptr, &error));
    if (!registry)
        failed(error);
    glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(registry.get(), "system-address-book"));
    glib::ObjectPtr<EClient> book(e_book_client_connect_sync(builtin.get(), 5, nullptr, &error));
    if (!book)
        failed(error);
    constexpr int batch = 500;
    for (int start = 0; start < everyone.size(); start += batch) {
        GSList *cards = nullptr;
        for (int i = start; i < std::min<int>(start + batch, everyone.size()); ++i) {
            const Person &p = everyone[i];
            QStringList lines{u"BEGIN:VCARD"_s, u"VERSION:3.0"_s, u"N:%1;%2;;;"_s.arg(p.family, p.given),
                              u"FN:%1 %2"_s.arg(p.given, p.family), u"TEL;TYPE=CELL:"_s + p.mobile};
            if (!p.work.isEmpty())
                lines.append(u"TEL;TYPE=WORK,VOICE:"_s + p.work);
            lines.append(u"END:VCARD"_s);
            cards = g_slist_prepend(cards, e_contact_new_from_vcard(lines.join(u"\r\n"_s).toUtf8().constData()));
        }
        const bool added = e_book_client_add_contacts_sync(E_BOOK_CLIENT(book.get()), cards, E_BOOK_OPERATION_FLAG_NONE,
                                                           nullptr, nullptr, &error);
        g_slist_free_full(cards, g_object_unref);
        if (!added)
            failed(error);
    }
}

void fromEvolution(const QList<Person> &everyone)
{
    QElapsedTimer clock;
    clock.start();
    fillEvolution(everyone);
    std::printf("evolution: %d contacts added in %.1f s (set-up, not measured below)\n", contactCount,
                clock.nsecsElapsed() / 1e9);

    ContactDirectory directory([] { return std::make_unique<EvolutionAddressBook>(NameOrder::givenNameFirst); });
    loadAndMeasure(directory, "evolution");
    measureSearch(directory);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QList<Person> everyone = people();
    fromMemory(everyone);
    if (!app.arguments().contains(u"--memory-only"_s))
        fromEvolution(everyone);
    return 0;
}
