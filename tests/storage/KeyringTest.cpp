#include "AccountFixtures.h"
#include "ModelHarness.h"
#include "SecretServiceControl.h"

#include "model/domain/Failure.h"
#include "services/storage/KeychainStore.h"
#include "services/storage/LibsecretItemStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QString service = KeychainStore::service;
const QString collectionItem = KeychainStore::collectionItem;
const QString legacyItem = KeychainStore::legacyItem;
const auto locked = LibsecretItemStore::interactionNotAllowed;
const QByteArray olderItemData = legacyData(u"3001"_s);

} // namespace

// Runs against the gnome-keyring of tests/sandbox.sh: it locks that keyring and deletes the
// application's items, so it refuses to run anywhere else.
class KeyringTest : public QObject {
    Q_OBJECT

    LibsecretItemStore m_items;
    KeychainStore m_store{m_items};
    SecretServiceControl m_control;
    QString m_collection;

    QStringList itemPaths(const QString &item) { return m_control.itemsWith(m_collection, service, item); }

    void lockKeyring()
    {
        m_control.lock(m_collection);
        QVERIFY(m_control.isLocked(m_collection));
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo(QDir::homePath()).absolutePath().contains(u"/vozel-sandbox."_s))
            QSKIP("needs the throwaway keyring of tests/sandbox.sh");
        // The unlock prompt is a program D-Bus starts: it needs the session's display.
        QCOMPARE(QProcess::execute(u"dbus-update-activation-environment"_s, {u"DISPLAY"_s}), 0);
        m_collection = m_control.defaultCollection();
        QVERIFY(m_collection.startsWith(u"/org/freedesktop/secrets/collection/"_s));
    }

    void cleanup()
    {
        if (m_control.isLocked(m_collection))
            m_control.unlock(m_collection, "vozel");
        QVERIFY(!m_control.isLocked(m_collection));
        for (const auto &item : {collectionItem, legacyItem})
            m_items.remove(service, item);
    }

    void itemsAreTellableFromMissingOnes()
    {
        QCOMPARE(m_store.loadCollection(), SIPAccountCollection());
        QVERIFY(itemPaths(collectionItem).isEmpty());
        QCOMPARE(m_items.read(service, collectionItem).status, SecretItemStore::itemNotFound);
        QCOMPARE(m_items.update(service, collectionItem, "x"), SecretItemStore::itemNotFound);
        QCOMPARE(m_items.remove(service, collectionItem), SecretItemStore::itemNotFound);

        QCOMPARE(m_items.add(service, collectionItem, "first"), SecretItemStore::success);
        QCOMPARE(m_items.add(service, collectionItem, "again"), LibsecretItemStore::duplicateItem);
        QCOMPARE(itemPaths(collectionItem).size(), 1);
        QCOMPARE(m_items.read(service, legacyItem).status, SecretItemStore::itemNotFound);
        QCOMPARE(m_items.read(u"br.com.example.other"_s, collectionItem).status, SecretItemStore::itemNotFound);
    }

    void olderItemIsMigratedOnce()
    {
        // Written as the desktop's own tool writes it: another schema name and label.
        QProcess tool;
        tool.start(u"secret-tool"_s, {u"store"_s, u"--label=x"_s, u"service"_s, service, u"account"_s, legacyItem});
        tool.write(olderItemData);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        const auto migrated = m_store.loadCollection();
        QCOMPARE(migrated.accounts.size(), 1);
        QCOMPARE(migrated.active()->account, storedAccount(u"3001"_s));
        QCOMPARE(m_items.read(service, collectionItem).data, migrated.toJsonData());
        QVERIFY(itemPaths(legacyItem).isEmpty());
        QCOMPARE(m_store.loadCollection(), migrated);
    }

    void firstSaveCreatesThenLaterSavesUpdateInPlace()
    {
        m_store.saveCollection(collectionOf({u"2001"_s}));
        const auto created = itemPaths(collectionItem);
        QCOMPARE(created.size(), 1);
        const auto changed = collectionOf({u"2001"_s, u"2002"_s});
        m_store.saveCollection(changed);
        QCOMPARE(itemPaths(collectionItem), created);
        QCOMPARE(m_store.loadCollection(), changed);
    }

    void lockedKeyringIsAnErrorNeverEmpty_data()
    {
        QTest::addColumn<QString>("storedItem");
        QTest::newRow("collection stored") << collectionItem;
        QTest::newRow("only the older item stored") << legacyItem;
    }

    void lockedKeyringIsAnErrorNeverEmpty()
    {
        QFETCH(QString, storedItem);
        const QByteArray stored = storedItem == collectionItem ? collectionOf({u"2001"_s}).toJsonData() : olderItemData;
        QCOMPARE(m_items.add(service, storedItem, stored), SecretItemStore::success);
        lockKeyring();

        // The stored item and the missing one answer alike: nothing can be seen.
        for (const auto &item : {collectionItem, legacyItem}) {
            QCOMPARE(m_items.read(service, item).status, locked);
            QCOMPARE(m_items.update(service, item, "changed"), locked);
            QCOMPARE(m_items.add(service, item, "changed"), locked);
            QCOMPARE(m_items.remove(service, item), locked);
        }
        QCOMPARE(keychainStatusOf([&] { m_store.loadCollection(); }), locked);
        QCOMPARE(keychainStatusOf([&] { m_store.saveCollection(SIPAccountCollection()); }), locked);

        m_control.unlock(m_collection, "vozel");
        QCOMPARE(m_items.read(service, storedItem).data, stored);
        QCOMPARE(itemPaths(collectionItem).size(), storedItem == collectionItem ? 1 : 0);
    }

    void lockedKeyringIsOpenedThroughTheDesktopPrompt_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("password typed") << u"type --delay 50 vozel && xdotool key Return"_s;
        QTest::newRow("prompt dismissed") << u"key Escape"_s;
    }

    // The keys are typed as on a keyboard once the prompt shows and has taken the keyboard, a moment
    // it tells nobody.
    void lockedKeyringIsOpenedThroughTheDesktopPrompt()
    {
        QFETCH(QString, answer);
        const auto stored = collectionOf({u"2001"_s});
        QCOMPARE(m_items.add(service, collectionItem, stored.toJsonData()), SecretItemStore::success);
        lockKeyring();
        QElapsedTimer clock;
        clock.start();
        ModelHarness h;
        h.parts.secrets = std::make_unique<LibsecretItemStore>();
        auto &model = h.create();
        QVERIFY2(clock.elapsed() < 1000, "the window waits for nobody");
        QCOMPARE(QProcess::execute(u"timeout"_s, {u"20"_s, u"sh"_s, u"-c"_s, u"xdotool search --sync --onlyvisible "
                                   "--class gcr-prompter >/dev/null && sleep 3 && xdotool "_s + answer}), 0);

        const bool typed = answer.contains(u"vozel"_s);
        QTRY_VERIFY(!h.engine->operations.isEmpty() || !model.errorMessage().isEmpty());
        QCOMPARE(h.engine->operations, typed ? QStringList{u"start 2001"_s} : QStringList{});
        QCOMPARE(model.savedAccounts(), typed ? stored.accounts : QList<SavedSIPAccount>{});
        QCOMPARE(model.errorMessage().isEmpty(), typed);
        QCOMPARE(m_control.isLocked(m_collection), !typed);
    }
};

QTEST_GUILESS_MAIN(KeyringTest)
#include "KeyringTest.moc"
