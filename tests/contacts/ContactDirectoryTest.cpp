#include "model/domain/Failure.h"
#include "services/contacts/ContactDirectory.h"

#include <QCoroTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)

using namespace vozel;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// An address book in memory: every load reads what it holds at that moment, and access requests
// wait while `held`. Without `granted` the request itself fails with `accessFailure`.
struct FakeBook {
    QList<AddressBookContact> contacts;
    std::optional<bool> granted = true;
    QString accessFailure, readFailure;
    bool held = false;
    int opened = 0, reads = 0;
};

class FakeSource : public AddressBookSource {
public:
    explicit FakeSource(FakeBook &book) : book(book) {}

    QCoro::Task<bool> requestAccess() override
    {
        while (book.held)
            co_await QCoro::sleepFor(10ms);
        if (!book.granted)
            throw PlatformError(book.accessFailure);
        co_return *book.granted;
    }

    QCoro::Task<QList<AddressBookContact>> readContacts() override
    {
        ++book.reads;
        if (!book.readFailure.isEmpty())
            throw PlatformError(book.readFailure);
        const QList<AddressBookContact> contacts = book.contacts; // QCoro moves from what co_return is given
        co_return contacts;
    }

    // A search for "Celular" must not find the mobile numbers.
    QString localizedLabel(const QString &key) const override { return key == u"mobile"_s ? u"Celular"_s : key; }

    FakeBook &book;
};

namespace {

// Stored with the tilde as a character of its own, the acute accent within its letter.
const QString joaoAvila = u"Joa\u0303o Ávila"_s;

const QList<AddressBookContact> searchable{
    {u"1"_s, u"Ana"_s, u"Souza"_s, {}, {{u"0"_s, u"mobile"_s, u"+55 (11) 98765-4321"_s}}},
    {u"2"_s, {}, {}, u"Padaria 3333"_s, {{u"0"_s, u"work"_s, u"(21) 2222-0000"_s}}},
    {u"3"_s, u"Joa\u0303o"_s, u"Ávila"_s, {}, {{u"0"_s, u"work"_s, u"+55 11 3333-1000"_s}}},
};

QList<QQuickItem *> allItems(QQuickItem *root)
{
    QList<QQuickItem *> items{root};
    for (QQuickItem *child : root->childItems())
        items.append(allItems(child));
    return items;
}

} // namespace

// The directory over an address book in memory, and the contacts sheet over the directory.
class ContactDirectoryTest : public QObject {
    Q_OBJECT

    FakeBook book;
    std::unique_ptr<ContactDirectory> directory;
    QQmlEngine engine;
    std::unique_ptr<QQuickWindow> sheet;

    void load(bool force = false) { QCoro::waitFor(directory->loadIfNeeded(force)); }

    // The names the list shows for the query.
    QStringList names(const QString &query)
    {
        ContactListModel &model = *directory->contactModel();
        model.setQuery(query);
        QStringList result;
        for (int row = 0; row < model.count(); ++row)
            result.append(model.data(model.index(row), ContactListModel::NameRole).toString());
        return result;
    }

    bool open()
    {
        QQmlComponent component(&engine, QUrl(u"qrc:/Vozel/Ui/ContactPickerView.qml"_s));
        sheet.reset(qobject_cast<QQuickWindow *>(component.createWithInitialProperties(
            {{u"directory"_s, QVariant::fromValue<QObject *>(directory.get())}})));
        return sheet && QTest::qWaitForWindowExposed(sheet.get());
    }

    // The sheet's visible item with that object name or that text.
    QQuickItem *find(const QString &nameOrText) const
    {
        for (QQuickItem *item : allItems(sheet->contentItem())) {
            if (item->isVisible() && (item->objectName() == nameOrText || item->property("text") == nameOrText))
                return item;
        }
        return nullptr;
    }

    void click(const QString &nameOrText)
    {
        QQuickItem *item = find(nameOrText);
        QVERIFY2(item, qPrintable(nameOrText));
        QTest::mouseClick(sheet.get(), Qt::LeftButton, {},
                          item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    }

    int listed() const { return find(u"contactList"_s) ? find(u"contactList"_s)->property("count").toInt() : 0; }

private slots:
    void initTestCase() { engine.addImportPath(u"qrc:/"_s); }

    void init()
    {
        book = {searchable};
        directory = std::make_unique<ContactDirectory>([this] {
            ++book.opened;
            return std::make_unique<FakeSource>(book);
        });
    }

    // The sheet goes first: it reads the directory until it is gone.
    void cleanup()
    {
        sheet.reset();
        directory.reset();
    }

    void matchesByNameOrDigits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("blank shows all") << u" \t\n "_s << QStringList{u"Ana Souza"_s, u"Padaria 3333"_s, joaoAvila};
        QTest::newRow("any case, trimmed") << u"  souza "_s << QStringList{u"Ana Souza"_s};
        QTest::newRow("accents count") << u"joao"_s << QStringList{};
        QTest::newRow("composed finds decomposed") << u"joão"_s << QStringList{joaoAvila};
        QTest::newRow("labels are not searched") << u"Celular"_s << QStringList{};
        QTest::newRow("digits ignore punctuation") << u"8765-43"_s << QStringList{u"Ana Souza"_s};
    }

    void matchesByNameOrDigits()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        load();
        QCOMPARE(names(query), expected);
    }

    // Loads read once until forced; a failed one keeps the list and does not count.
    void failuresKeepTheEarlierList_data()
    {
        QTest::addColumn<std::optional<bool>>("granted");
        QTest::addColumn<QString>("readFailure");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << std::optional(false) << QString() << u"O sistema não liberou o acesso à agenda."_s;
        QTest::newRow("reading fails") << std::optional(true) << u"Livro ilegível."_s << u"Livro ilegível."_s;
    }

    void failuresKeepTheEarlierList()
    {
        QFETCH(std::optional<bool>, granted);
        QFETCH(QString, readFailure);
        QFETCH(QString, message);
        load();
        load();
        QCOMPARE(book.opened, 1);
        book.granted = granted;
        book.readFailure = readFailure;
        book.contacts.removeLast();
        load(true);
        QVERIFY(directory->accessDenied() && !directory->loading());
        QCOMPARE(directory->accessError(), message);
        QCOMPARE(names(u"joão"_s), QStringList{joaoAvila});
        QCOMPARE(book.reads, granted == true ? 2 : 1);

        book.granted = true;
        book.readFailure.clear();
        load();
        QVERIFY(!directory->accessDenied() && directory->accessError().isEmpty());
        QCOMPARE(names(QString()).size(), 2);
    }

    // A load still waiting for access when the directory goes reads nothing and touches nothing.
    void aLoadDoesNotOutliveTheDirectory()
    {
        book.held = true;
        directory->reload();
        directory.reset();
        book.held = false;
        QTest::qWait(50);
        QCOMPARE(book.reads, 0);
    }

    // Each showing reads the book again; the sheet says why it is empty, narrows by a search and
    // hands a number back.
    void theSheetExplainsNarrowsAndHandsANumberBack()
    {
        book.granted.reset();
        book.accessFailure = u"Agenda indisponível."_s;
        QVERIFY(open());
        QVERIFY(find(u"Agenda indisponível."_s));
        book.granted = true;
        book.held = true;
        click(u"Tentar novamente"_s);
        QTRY_VERIFY(find(u"loadingState"_s) && !find(u"deniedState"_s));
        book.held = false;
        QTRY_COMPARE(listed(), 3);

        click(u"searchField"_s);
        for (const char key : {'s', 'o', 'u'})
            QTest::keyClick(sheet.get(), key);
        QCOMPARE(listed(), 1);
        QSignalSpy selected(sheet.get(), SIGNAL(selected(QString)));
        QSignalSpy dismissed(sheet.get(), SIGNAL(dismissed()));
        click(u"+5511987654321"_s);
        QCOMPARE(selected, (QList<QVariantList>{{u"+5511987654321"_s}}));
        click(u"closeButton"_s);
        QCOMPARE(dismissed.size(), 1);
        QVERIFY(open());
        QCOMPARE(book.opened, 3);
    }
};

QTEST_MAIN(ContactDirectoryTest)
#include "ContactDirectoryTest.moc"
