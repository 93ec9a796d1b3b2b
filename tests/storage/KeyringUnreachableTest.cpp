#include "AccountFixtures.h"
#include "ModelHarness.h"
#include "PrivateSessionBus.h"

#include "services/storage/KeychainStore.h"
#include "services/storage/LibsecretItemStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// libsecret connects to the session bus once per process, so each step points this process at
// another bus before the next connection, and the steps keep their order.
class KeyringUnreachableTest : public QObject {
    Q_OBJECT

    PrivateSessionBus m_bus;
    const QString item = u"unreachable-test"_s;

    // Each of the five operations answers `status` within the time given for one.
    void expectEveryOperationFails(SecretItemStore &items, std::int32_t status, std::chrono::milliseconds atLeast,
                                   std::chrono::milliseconds atMost)
    {
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(statusesOf(items, item), QList<std::int32_t>(5, status));
        QVERIFY2(timer.elapsed() >= 5 * atLeast.count() && timer.elapsed() <= 5 * atMost.count(),
                 qPrintable(QString::number(timer.elapsed())));
    }

private slots:
    void initTestCase() { QVERIFY2(!m_bus.address().isEmpty(), "dbus-daemon did not start"); }

    // First no session bus at all, then a bus without a Secret Service.
    void missingServiceIsNotAvailable()
    {
        for (const QString &bus : {u"unix:path=%1/nobody"_s.arg(m_bus.folder()), m_bus.address()}) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toUtf8());
            LibsecretItemStore items;
            expectEveryOperationFails(items, LibsecretItemStore::notAvailable, 0ms, 1000ms);
        }
    }

    void hungSecretServiceTimesOutAndRecovers()
    {
        // A gnome-keyring of the test's own on the private bus, unlocked, with files of its own.
        QTemporaryDir folder;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"GNOME_KEYRING_CONTROL"_s);
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_bus.address());
        for (const auto &variable : {u"HOME"_s, u"XDG_RUNTIME_DIR"_s, u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s})
            environment.insert(variable, folder.path());
        QProcess keyring;
        keyring.setProcessEnvironment(environment);
        keyring.start(u"gnome-keyring-daemon"_s, {u"--foreground"_s, u"--unlock"_s, u"--components=secrets"_s});
        keyring.write("vozel");
        keyring.closeWriteChannel();
        const auto probe = QDBusConnection::connectToBus(m_bus.address(), u"probe"_s);
        QTRY_VERIFY_WITH_TIMEOUT(probe.interface()->isServiceRegistered(u"org.freedesktop.secrets"_s), 10000);
        const auto freeze = [&](bool frozen) { ::kill(pid_t(keyring.processId()), frozen ? SIGSTOP : SIGCONT); };
        LibsecretItemStore items(1000ms);
        // The bound, the grace a cancelled call gets, and some slack.
        constexpr auto atMost = 2000ms;

        freeze(true); // before this process ever reached it
        expectEveryOperationFails(items, LibsecretItemStore::timedOut, 1000ms, atMost);
        freeze(false);
        QCOMPARE(items.add(KeychainStore::service, item, "kept"), SecretItemStore::success);

        freeze(true); // while this process holds an open session with it
        expectEveryOperationFails(items, LibsecretItemStore::timedOut, 1000ms, atMost);
        freeze(false);
        QCOMPARE(items.read(KeychainStore::service, item).data, QByteArray("kept"));

        // Started while the keyring hangs, the model connects its account once the keyring answers.
        const auto stored = collectionOf({u"2001"_s});
        QCOMPARE(items.add(KeychainStore::service, KeychainStore::collectionItem, stored.toJsonData()),
                 SecretItemStore::success);
        freeze(true);
        ModelHarness h;
        h.parts.secrets = std::make_unique<LibsecretItemStore>(1000ms);
        auto &model = h.start();
        QVERIFY(model.savedAccounts().isEmpty());
        QVERIFY(model.errorMessage().isEmpty());
        freeze(false);
        QTRY_COMPARE(h.engine->operations, QStringList{u"start 2001"_s});
        QCOMPARE(model.savedAccounts(), stored.accounts);
    }
};

QTEST_GUILESS_MAIN(KeyringUnreachableTest)
#include "KeyringUnreachableTest.moc"
