// Loads and searches 10,000 contacts: first from memory (the directory's own work), then from
// Evolution Data Server (the whole path a user waits for). Run it inside tests/sandbox.sh, whose
// address book starts empty.
// Usage: contacts_benchmark [--memory-only]
#include "EvolutionBook.h"
#include "FakeAddressBook.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int contactCount = 10000;

const QStringList givenNames{u"Ana"_s, u"Bruno"_s, u"Carla"_s, u"Davi"_s, u"Eduarda"_s, u"Fábio"_s,
                             u"Gabriela"_s, u"Heitor"_s, u"Isabela"_s, u"João"_s, u"Larissa"_s, u"Marcos"_s};
const QStringList familyNames{u"Silva"_s, u"Souza"_s, u"Oliveira"_s, u"Santos"_s, u"Lima"_s, u"Pereira"_s,
                              u"Costa"_s, u"Ferreira"_s, u"Almeida"_s, u"Araújo"_s, u"Ribeiro"_s};

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
    FakeAddressBook book;
    for (int i = 0; i < everyone.size(); ++i) {
        const Person &p = everyone[i];
        AddressBookContact contact{QString::number(i), p.given, p.family, {}, {{u"0"_s, u"mobile"_s, p.mobile}}};
        if (!p.work.isEmpty())
            contact.numbers.append({u"1"_s, u"work"_s, p.work});
        book.contacts.append(contact);
    }
    ContactDirectory directory(book.factory());
    loadAndMeasure(directory, "memory");
    measureSearch(directory);
}

QCoro::Task<> fillEvolution(EBookClient *book, const QList<Person> &everyone)
{
    constexpr int batch = 500;
    for (int start = 0; start < everyone.size(); start += batch) {
        QList<QStringList> cards;
        for (int i = start; i < std::min<int>(start + batch, everyone.size()); ++i) {
            const Person &p = everyone[i];
            QStringList lines{u"N:%1;%2;;;"_s.arg(p.family, p.given), u"FN:%1 %2"_s.arg(p.given, p.family),
                              u"TEL;TYPE=CELL:"_s + p.mobile};
            if (!p.work.isEmpty())
                lines.append(u"TEL;TYPE=WORK,VOICE:"_s + p.work);
            cards.append(lines);
        }
        co_await addCards(book, cards);
    }
}

void fromEvolution(const QList<Person> &everyone)
{
    glib::ObjectPtr<ESourceRegistry> registry = QCoro::waitFor(openRegistry());
    glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(registry.get(), "system-address-book"));
    glib::ObjectPtr<EBookClient> book = QCoro::waitFor(openBook(builtin.get()));
    QElapsedTimer clock;
    clock.start();
    QCoro::waitFor(fillEvolution(book.get(), everyone));
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
