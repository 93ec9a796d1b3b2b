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

namespace {

const QString item = u"unreachable-test"_s;

// A process the test freezes and thaws by its pid; QProcess kills it when it goes.
class Daemon : public QProcess {
public:
    void pause() { ::kill(pid_t(processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(processId()), SIGCONT); }
};

// A gnome-keyring of the test's own on that bus, unlocked, with its files in `folder`.
void startKeyring(Daemon &daemon, const QTemporaryDir &folder, const QString &busAddress)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"GNOME_KEYRING_CONTROL"_s);
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    for (const auto &variable : {u"HOME"_s, u"XDG_RUNTIME_DIR"_s, u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s})
        environment.insert(variable, folder.path());
    daemon.setProcessEnvironment(environment);
    daemon.start(u"gnome-keyring-daemon"_s, {u"--foreground"_s, u"--unlock"_s, u"--components=secrets"_s});
    daemon.write("vozel");
    daemon.closeWriteChannel();
    const auto bus = QDBusConnection::connectToBus(busAddress, u"probe"_s);
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(u"org.freedesktop.secrets"_s), 10000);
}

} // namespace

// libsecret connects to the session bus once per process, so each step points this process at
// another bus before the next connection, and the steps keep their order.
class KeyringUnreachableTest : public QObject {
    Q_OBJECT

    PrivateSessionBus m_bus;
    QTemporaryDir m_keyringFolder;

    // Every operation, of the items and of the account store, answers `status` within the time given.
    void expectEveryOperationFails(SecretItemStore &items, std::int32_t status, std::chrono::milliseconds atLeast,
                                   std::chrono::milliseconds atMost)
    {
        KeychainStore store(items);
        const std::vector<std::pair<const char *, std::function<std::int32_t()>>> operations{
            {"read", [&] { return items.read(KeychainStore::service, item).status; }},
            {"update", [&] { return items.update(KeychainStore::service, item, "data"); }},
            {"add", [&] { return items.add(KeychainStore::service, item, "data"); }},
            {"remove", [&] { return items.remove(KeychainStore::service, item); }},
            {"load accounts", [&] { return keychainStatusOf([&] { store.loadCollection(); }).value_or(0); }},
        };
        for (const auto &[name, operation] : operations) {
            QElapsedTimer timer;
            timer.start();
            const auto answer = operation();
            qInfo("%s: status %d after %lld ms", name, answer, timer.elapsed());
            QCOMPARE(answer, status);
            QVERIFY2(timer.elapsed() >= atLeast.count() && timer.elapsed() <= atMost.count(), name);
        }
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
        Daemon keyring;
        startKeyring(keyring, m_keyringFolder, m_bus.address());
        LibsecretItemStore items(1000ms);
        // The bound, the grace a cancelled call gets, and some slack.
        constexpr auto atMost = 2000ms;

        keyring.pause(); // before this process ever reached it
        expectEveryOperationFails(items, LibsecretItemStore::timedOut, 1000ms, atMost);
        keyring.resume();
        QCOMPARE(items.add(KeychainStore::service, item, "kept"), SecretItemStore::success);

        keyring.pause(); // while this process holds an open session with it
        expectEveryOperationFails(items, LibsecretItemStore::timedOut, 1000ms, atMost);
        keyring.resume();
        QCOMPARE(items.read(KeychainStore::service, item).data, QByteArray("kept"));

        // Started while the keyring hangs, the model connects its account once the keyring answers.
        const auto stored = collectionOf({u"2001"_s});
        QCOMPARE(items.add(KeychainStore::service, KeychainStore::collectionItem, stored.toJsonData()),
                 SecretItemStore::success);
        keyring.pause();
        ModelHarness h;
        h.parts.secrets = std::make_unique<LibsecretItemStore>(1000ms);
        auto &model = h.start();
        QVERIFY(model.savedAccounts().isEmpty());
        QVERIFY(model.errorMessage().isEmpty());
        keyring.resume();
        QTRY_COMPARE(h.engine->operations, QStringList{u"start 2001"_s});
        QCOMPARE(model.savedAccounts(), stored.accounts);
    }
};

QTEST_GUILESS_MAIN(KeyringUnreachableTest)
#include "KeyringUnreachableTest.moc"
