#include "AccountFixtures.h"
#include "ModelHarness.h"

#include "model/domain/Failure.h"
#include "services/storage/KeychainStore.h"
#include "services/storage/LibsecretItemStore.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
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
const QString secrets = u"org.freedesktop.secrets"_s;
const QString defaultCollection = u"/org/freedesktop/secrets/aliases/default"_s;

// Drives the session keyring's default collection over D-Bus, beside the code under test, the way
// the desktop's keyring tools do.
struct SecretServiceControl {
    QDBusInterface service{secrets, u"/org/freedesktop/secrets"_s, u"org.freedesktop.Secret.Service"_s};
    QDBusInterface collection{secrets, defaultCollection, u"org.freedesktop.Secret.Collection"_s};

    bool isLocked() { return collection.property("Locked").toBool(); }

    void lock() { service.call(u"Lock"_s, QVariant::fromValue(QList{QDBusObjectPath(defaultCollection)})); }

    // With the keyring's password, and without the prompt a desktop would show.
    void unlock(const QByteArray &password)
    {
        const auto session = service.call(u"OpenSession"_s, u"plain"_s, QVariant::fromValue(QDBusVariant(QString())));
        QDBusArgument secret;
        secret.beginStructure();
        secret << session.arguments().value(1).value<QDBusObjectPath>() << QByteArray() << password << u"text/plain"_s;
        secret.endStructure();
        QDBusInterface(secrets, u"/org/freedesktop/secrets"_s, u"org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"_s)
            .call(u"UnlockWithMasterPassword"_s, QVariant::fromValue(QDBusObjectPath(defaultCollection)),
                  QVariant::fromValue(secret));
    }
};

} // namespace

// Runs against the gnome-keyring of tests/sandbox.sh: it locks that keyring and deletes the
// application's items, so it refuses to run anywhere else.
class KeyringTest : public QObject {
    Q_OBJECT

    LibsecretItemStore m_items;
    KeychainStore m_store{m_items};
    SecretServiceControl m_keyring;

    void storeLocked(const QString &item, const QByteArray &data)
    {
        QCOMPARE(m_items.add(service, item, data), SecretItemStore::success);
        m_keyring.lock();
        QVERIFY(m_keyring.isLocked());
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo(QDir::homePath()).absolutePath().contains(u"/vozel-sandbox."_s))
            QSKIP("needs the throwaway keyring of tests/sandbox.sh");
        // The unlock prompt is a program D-Bus starts: it needs the session's display.
        QCOMPARE(QProcess::execute(u"dbus-update-activation-environment"_s, {u"DISPLAY"_s}), 0);
    }

    void cleanup()
    {
        if (m_keyring.isLocked())
            m_keyring.unlock("vozel");
        QVERIFY(!m_keyring.isLocked());
        for (const auto &item : {collectionItem, legacyItem})
            m_items.remove(service, item);
    }

    void itemsAreFoundCreatedAndUpdated()
    {
        QCOMPARE(m_store.loadCollection(), SIPAccountCollection());

        // Written as the desktop's own tool writes it: another schema name and label.
        QProcess tool;
        tool.start(u"secret-tool"_s, {u"store"_s, u"--label=x"_s, u"service"_s, service, u"account"_s, legacyItem});
        tool.write(json::compact(storedAccount(u"3001"_s).toJson()));
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        QCOMPARE(m_store.loadCollection().active()->account, storedAccount(u"3001"_s));
        QCOMPARE(m_items.read(service, legacyItem).status, SecretItemStore::itemNotFound);

        const auto changed = collectionOf({u"2001"_s, u"2002"_s});
        m_store.saveCollection(changed);
        QCOMPARE(m_store.loadCollection(), changed);
        QCOMPARE(m_items.read(u"br.com.example.other"_s, collectionItem).status, SecretItemStore::itemNotFound);
    }

    void lockedKeyringIsAnErrorNeverEmpty()
    {
        const QByteArray stored = collectionOf({u"2001"_s}).toJsonData();
        storeLocked(collectionItem, stored);

        // The stored item and the missing one answer alike: nothing can be seen.
        for (const auto &item : {collectionItem, legacyItem})
            QCOMPARE(statusesOf(m_items, item), QList<std::int32_t>(5, locked));
        QCOMPARE(keychainStatusOf([&] { m_store.saveCollection(SIPAccountCollection()); }), locked);

        m_keyring.unlock("vozel");
        QCOMPARE(m_items.read(service, collectionItem).data, stored);
        QCOMPARE(m_items.read(service, legacyItem).status, SecretItemStore::itemNotFound);
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
        storeLocked(collectionItem, stored.toJsonData());
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
        QCOMPARE(m_keyring.isLocked(), !typed);
    }
};

QTEST_GUILESS_MAIN(KeyringTest)
#include "KeyringTest.moc"
