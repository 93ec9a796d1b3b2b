#include "FakeAddressBook.h"

#include "services/contacts/ContactDirectory.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

AddressBookContact person(const QString &id, const QString &name, const QString &labelKey, const QString &number)
{
    return {id, name, {}, {}, {{u"0"_s, labelKey, number}}};
}

const QList<AddressBookContact> threePeople{
    person(u"a"_s, u"Ana Souza"_s, u"mobile"_s, u"+55 11 98765-4321"_s),
    person(u"b"_s, u"Bruno"_s, u"blank"_s, u"3003"_s),
    person(u"c"_s, u"Carla"_s, u"work"_s, u"(21) 2222-1111"_s),
};

QList<QQuickItem *> allItems(QQuickItem *root)
{
    QList<QQuickItem *> items{root};
    for (QQuickItem *child : root->childItems())
        items.append(allItems(child));
    return items;
}

} // namespace

// The sheet as a user meets it, offscreen, over a directory backed by the fake address book.
class ContactPickerViewTest : public QObject {
    Q_OBJECT

    QQmlEngine m_engine;
    std::unique_ptr<FakeAddressBook> m_book;
    std::unique_ptr<ContactDirectory> m_directory;
    std::unique_ptr<QQuickWindow> m_sheet;

    bool open(const QString &search = {})
    {
        QQmlComponent component(&m_engine, QUrl(u"qrc:/Vozel/Ui/ContactPickerView.qml"_s));
        m_sheet.reset(qobject_cast<QQuickWindow *>(component.createWithInitialProperties(
            {{u"directory"_s, QVariant::fromValue<QObject *>(m_directory.get())}, {u"search"_s, search}})));
        if (!m_sheet)
            qWarning() << component.errorString();
        return m_sheet && QTest::qWaitForWindowExposed(m_sheet.get());
    }

    // The visible item with that object name or that text.
    QQuickItem *find(const QString &nameOrText) const
    {
        for (QQuickItem *item : allItems(m_sheet->contentItem())) {
            if (item->isVisible() && (item->objectName() == nameOrText || item->property("text") == nameOrText))
                return item;
        }
        return nullptr;
    }

    bool shows(const QString &nameOrText) const { return find(nameOrText) != nullptr; }

    void click(const QString &nameOrText)
    {
        QQuickItem *item = find(nameOrText);
        QVERIFY2(item, qPrintable(nameOrText));
        QTest::mouseClick(m_sheet.get(), Qt::LeftButton, {},
                          item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    }

    int rows() const { return shows(u"contactList"_s) ? find(u"contactList"_s)->property("count").toInt() : 0; }

private slots:
    void initTestCase() { m_engine.addImportPath(u"qrc:/"_s); }

    void init()
    {
        m_book = std::make_unique<FakeAddressBook>();
        m_book->contacts = threePeople;
        m_directory = std::make_unique<ContactDirectory>(m_book->factory());
    }

    // The sheet goes first: it reads the directory until it is gone.
    void cleanup()
    {
        m_sheet.reset();
        m_directory.reset();
        m_book.reset();
    }

    void everyShowingReloadsAndASearchNarrowsTheList()
    {
        m_book->access = FakeAddressBook::Access::refused;
        QCoro::waitFor(m_directory->loadIfNeeded(false));
        m_book->access = FakeAddressBook::Access::granted;
        m_book->holdAccess = true;
        QVERIFY(open(u"   "_s));
        QCOMPARE(m_book->sourcesOpened, 2);
        QVERIFY(shows(u"Carregando contatos…"_s));
        QVERIFY(!shows(u"deniedState"_s) && !shows(u"emptyState"_s) && !shows(u"contactList"_s));
        m_book->release();
        QTRY_COMPARE(rows(), 3); // blanks are no search
        QVERIFY(!shows(u"loadingState"_s));

        click(u"searchField"_s);
        for (const char key : {'c', 'a', 'r'})
            QTest::keyClick(m_sheet.get(), key);
        QCOMPARE(rows(), 1);
        click(u"clearSearchButton"_s);
        QCOMPARE(find(u"searchField"_s)->property("text").toString(), QString());
        QCOMPARE(rows(), 3);
        QVERIFY(!shows(u"clearSearchButton"_s));

        QVERIFY(open());
        QCOMPARE(m_book->sourcesOpened, 3);
    }

    void refusalOffersARetry_data()
    {
        QTest::addColumn<FakeAddressBook::Access>("access");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("own message") << FakeAddressBook::Access::failing << u"Agenda indisponível."_s
                                     << u"Agenda indisponível."_s;
        QTest::newRow("no message") << FakeAddressBook::Access::failing << QString()
                                    << u"Ative a agenda do sistema (Contatos) e tente novamente."_s;
    }

    void refusalOffersARetry()
    {
        QFETCH(FakeAddressBook::Access, access);
        QFETCH(QString, failure);
        QFETCH(QString, explanation);
        m_book->access = access;
        m_book->accessFailure = failure;
        QVERIFY(open());
        QVERIFY(shows(u"Não foi possível ler os contatos"_s));
        QVERIFY(shows(explanation));
        QCOMPARE(rows(), 0);

        m_book->access = FakeAddressBook::Access::granted;
        click(u"Tentar novamente"_s);
        QTRY_COMPARE(rows(), 3);
    }

    void emptyListsSayWhy()
    {
        m_book->contacts.clear();
        QVERIFY(open());
        QVERIFY(shows(u"Nenhum contato disponível no computador"_s));
        QVERIFY(shows(u"Abra o app Contatos do sistema e confirme se seus contatos do Google, Nextcloud ou "
                      "Exchange estão sincronizados."_s));

        m_book->contacts = threePeople;
        click(u"Atualizar contatos"_s);
        QTRY_COMPARE(rows(), 3);

        m_sheet->setProperty("search", u"Xavier"_s);
        QVERIFY(shows(u"Nenhum contato encontrado"_s));
        QVERIFY(shows(u"Tente buscar por outro nome ou número."_s));
    }

    void aRowHandsItsNumberBack()
    {
        QVERIFY(open(u"bruno"_s));
        QCOMPARE(rows(), 1);
        QSignalSpy selected(m_sheet.get(), SIGNAL(selected(QString)));
        QSignalSpy dismissed(m_sheet.get(), SIGNAL(dismissed()));
        QVERIFY(!shows(u"phoneLabel"_s)); // an entry without a label shows only its number

        click(u"3003"_s);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.at(0).at(0).toString(), u"3003"_s);
        QVERIFY(m_sheet->isVisible() && dismissed.isEmpty());

        click(u"closeButton"_s);
        QCOMPARE(dismissed.size(), 1);
    }
};

QTEST_MAIN(ContactPickerViewTest)
#include "ContactPickerViewTest.moc"
