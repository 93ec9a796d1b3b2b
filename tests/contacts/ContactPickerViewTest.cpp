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

AddressBookContact person(const QString &id, const QString &given, const QString &labelKey, const QString &number)
{
    return {id, given, {}, {}, {{u"1"_s, labelKey, number}}};
}

const QList<AddressBookContact> threePeople{
    person(u"a"_s, u"Ana Souza"_s, u"_$!<Mobile>!$_"_s, u"+55 11 98765-4321"_s),
    person(u"b"_s, u"Bruno"_s, u"blank"_s, u"3003"_s),
    person(u"c"_s, u"Carla"_s, u"_$!<Work>!$_"_s, u"(21) 2222-1111"_s),
};

QList<QQuickItem *> allItems(QQuickItem *root)
{
    QList<QQuickItem *> items{root};
    for (QQuickItem *child : root->childItems())
        items.append(allItems(child));
    return items;
}

bool reallyVisible(QQuickItem *item)
{
    for (; item; item = item->parentItem()) {
        if (!item->isVisible() || item->opacity() == 0)
            return false;
    }
    return true;
}

} // namespace

class ContactPickerViewTest : public QObject {
    Q_OBJECT

private:
    QQuickWindow *open(ContactDirectory &directory, const QString &search = {})
    {
        QQmlComponent component(&m_engine, QUrl(u"qrc:/Vozel/Ui/ContactPickerView.qml"_s));
        QObject *object = component.createWithInitialProperties(
            {{u"directory"_s, QVariant::fromValue<QObject *>(&directory)}, {u"search"_s, search}});
        if (!object)
            qWarning() << component.errorString();
        m_window.reset(qobject_cast<QQuickWindow *>(object));
        if (m_window && !QTest::qWaitForWindowExposed(m_window.get()))
            qWarning() << "the picker was not shown";
        return m_window.get();
    }

    QQuickItem *item(const char *name) const
    {
        for (QQuickItem *candidate : allItems(m_window->contentItem())) {
            if (candidate->objectName() == QLatin1String(name))
                return candidate;
        }
        return nullptr;
    }

    bool shows(const char *name) const
    {
        QQuickItem *found = item(name);
        return found && reallyVisible(found);
    }

    bool showsText(const QString &text) const
    {
        for (QQuickItem *candidate : allItems(m_window->contentItem())) {
            if (candidate->property("text").toString() == text && reallyVisible(candidate))
                return true;
        }
        return false;
    }

    void click(const char *name)
    {
        QQuickItem *target = item(name);
        QVERIFY2(target && reallyVisible(target), name);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, centre.toPoint());
    }

    void clickText(const QString &text)
    {
        for (QQuickItem *candidate : allItems(m_window->contentItem())) {
            if (candidate->property("text").toString() == text && reallyVisible(candidate)) {
                const QPointF centre = candidate->mapToScene(QPointF(candidate->width() / 2, candidate->height() / 2));
                QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, centre.toPoint());
                return;
            }
        }
        QFAIL(qPrintable(u"nothing shows "_s + text));
    }

    int listedRows() const { return item("contactList")->property("count").toInt(); }

    QQmlEngine m_engine;
    std::unique_ptr<FakeAddressBook> m_book;
    std::unique_ptr<ContactDirectory> m_directory;
    std::unique_ptr<QQuickWindow> m_window;

private slots:
    void initTestCase()
    {
        m_engine.addImportPath(u"qrc:/"_s);
    }

    void init()
    {
        m_book = std::make_unique<FakeAddressBook>();
        m_directory = std::make_unique<ContactDirectory>(m_book->factory());
    }

    // The sheet goes first: it reads the directory until it is gone.
    void cleanup()
    {
        m_window.reset();
        m_directory.reset();
        m_book.reset();
    }

    void everyShowingReloadsAndLoadingHidesTheRest()
    {
        FakeAddressBook &book = *m_book;
        book.contacts = threePeople;
        book.access = FakeAddressBook::Access::refused;
        ContactDirectory &directory = *m_directory;
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY(directory.accessDenied());

        book.access = FakeAddressBook::Access::granted;
        book.holdAccess = true;
        QVERIFY(open(directory));
        QCOMPARE(book.sourcesOpened, 2);
        QVERIFY(shows("loadingState"));
        QVERIFY(showsText(u"Carregando contatos…"_s));
        QVERIFY(!shows("deniedState"));
        QVERIFY(!shows("emptyState"));
        QVERIFY(!shows("contactList"));

        book.release();
        QTRY_VERIFY(shows("contactList"));
        QVERIFY(!shows("loadingState"));
        QCOMPARE(listedRows(), 3);

        m_window.reset();
        QVERIFY(open(directory));
        QCOMPARE(book.sourcesOpened, 3);
    }

    void refusalOffersARetry_data()
    {
        QTest::addColumn<FakeAddressBook::Access>("access");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("description");

        QTest::newRow("refused") << FakeAddressBook::Access::refused << QString()
                                 << u"O sistema não liberou o acesso à agenda."_s;
        QTest::newRow("failed with its own message")
            << FakeAddressBook::Access::failing << u"Serviço de agenda indisponível."_s
            << u"Serviço de agenda indisponível."_s;
        QTest::newRow("failed without a message") << FakeAddressBook::Access::failing << QString()
                                                  << u"Ative a agenda do sistema (Contatos) e tente novamente."_s;
    }

    void refusalOffersARetry()
    {
        QFETCH(FakeAddressBook::Access, access);
        QFETCH(QString, failure);
        QFETCH(QString, description);
        FakeAddressBook &book = *m_book;
        book.contacts = threePeople;
        book.access = access;
        book.accessFailure = failure;
        ContactDirectory &directory = *m_directory;
        QVERIFY(open(directory));
        QTRY_VERIFY(shows("deniedState"));
        QVERIFY(showsText(u"Não foi possível ler os contatos"_s));
        QVERIFY(showsText(description));
        QVERIFY(!shows("contactList"));

        book.access = FakeAddressBook::Access::granted;
        clickText(u"Tentar novamente"_s);
        QTRY_VERIFY(shows("contactList"));
        QCOMPARE(listedRows(), 3);
    }

    void emptyListsSayWhy()
    {
        FakeAddressBook &book = *m_book;
        ContactDirectory &directory = *m_directory;
        QVERIFY(open(directory));
        QTRY_VERIFY(shows("emptyState"));
        QVERIFY(showsText(u"Nenhum contato disponível no computador"_s));
        QVERIFY(showsText(u"Abra o app Contatos do sistema e confirme se seus contatos do Google, Nextcloud ou "
                          "Exchange estão sincronizados."_s));

        book.contacts = threePeople;
        clickText(u"Atualizar contatos"_s);
        QTRY_COMPARE(listedRows(), 3);

        m_window->setProperty("search", u"Xavier"_s);
        QVERIFY(shows("emptyState"));
        QVERIFY(showsText(u"Nenhum contato encontrado"_s));
        QVERIFY(showsText(u"Tente buscar por outro nome ou número."_s));
    }

    void searchNarrowsAndClearingRestores()
    {
        FakeAddressBook &book = *m_book;
        book.contacts = threePeople;
        ContactDirectory &directory = *m_directory;
        QVERIFY(open(directory, u"   "_s));
        QTRY_VERIFY(shows("contactList"));
        QCOMPARE(listedRows(), 3); // blanks are no search

        click("searchField");
        for (const char key : {'c', 'a', 'r'})
            QTest::keyClick(m_window.get(), key);
        QCOMPARE(m_window->property("search").toString(), u"   car"_s);
        QCOMPARE(listedRows(), 1);
        m_window->setProperty("search", u"2222"_s);
        QCOMPARE(listedRows(), 1);
        m_window->setProperty("search", u"+55 11"_s);
        QCOMPARE(listedRows(), 1);

        // The matches follow a reload that happens while a search is shown.
        book.contacts.append(person(u"d"_s, u"Carolina"_s, {}, u"4000"_s));
        m_window->setProperty("search", u"car"_s);
        QCoro::waitFor(directory.loadIfNeeded(true));
        QCOMPARE(listedRows(), 2);

        QVERIFY(shows("clearSearchButton"));
        click("clearSearchButton");
        QCOMPARE(m_window->property("search").toString(), QString());
        QCOMPARE(item("searchField")->property("text").toString(), QString());
        QCOMPARE(listedRows(), 4);
        QVERIFY(!shows("clearSearchButton"));
    }

    void aRowHandsItsNumberBack()
    {
        FakeAddressBook &book = *m_book;
        book.contacts = threePeople;
        ContactDirectory &directory = *m_directory;
        QVERIFY(open(directory, u"bruno"_s));
        QTRY_COMPARE(listedRows(), 1);
        QSignalSpy selected(m_window.get(), SIGNAL(selected(QString)));
        QSignalSpy dismissed(m_window.get(), SIGNAL(dismissed()));

        // An unlabelled entry shows only its number under the name.
        QTRY_VERIFY(item("phoneNumber"));
        QVERIFY(showsText(u"3003"_s));
        QVERIFY(!shows("phoneLabel"));

        QQuickItem *number = item("phoneNumber");
        const QPointF centre = number->mapToScene(QPointF(number->width() / 2, number->height() / 2));
        QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, centre.toPoint());
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.at(0).at(0).toString(), u"3003"_s);
        QCOMPARE(dismissed.size(), 0);
        QVERIFY(m_window->isVisible());

        click("closeButton");
        QCOMPARE(dismissed.size(), 1);
    }
};

QTEST_MAIN(ContactPickerViewTest)
#include "ContactPickerViewTest.moc"
