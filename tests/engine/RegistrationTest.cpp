// Start, stop and registration of the engine against a real registrar on loopback.

#include "support/EngineFixture.h"
#include "support/EngineRecorder.h"
#include "support/TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/EngineErrors.h"
#include "engine/PJSIPEngine.h"

#include <linphone++/nat_policy.hh>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QStringList stopReports = {u"transfer not ready"_s, u"call idle"_s, u"registration notConfigured"_s};

// Sends everything written to a file descriptor into a file while it lives.
class Capture {
public:
    Capture(int fd, const QString &path) : m_fd(fd), m_path(path)
    {
        std::fflush(nullptr);
        m_saved = ::dup(fd);
        const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, fd);
        ::close(file);
    }
    ~Capture() { release(); }
    QByteArray release()
    {
        if (m_saved >= 0) {
            std::fflush(nullptr);
            ::dup2(m_saved, m_fd);
            ::close(m_saved);
            m_saved = -1;
        }
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    int m_fd;
    int m_saved = -1;
    QString m_path;
};

} // namespace

class RegistrationTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;
    QTemporaryDir m_data;
    std::unique_ptr<TestPbx> m_pbx;

private slots:
    void initTestCase()
    {
        // The stack's log goes to the state folder; keep this run's log apart.
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        m_pbx = std::make_unique<TestPbx>(pbxExtensions);
        QVERIFY2(m_pbx->isRunning(), qPrintable(m_pbx->log()));
    }

    // 2004 authenticates as u2004. Kamailio logs each request and each accepted registration
    // with its digest user name.
    void registersTheWayTheRegistrarAsks_data()
    {
        QTest::addColumn<int>("tls");
        QTest::addColumn<QString>("password"); // null: the right one
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("logged"); // null: no REGISTER reached the registrar
        QTest::newRow("auth user other than the extension") << int(TestPbx::Tls::none) << QString()
                                                            << u"registration connected"_s << u"register 2004 as u2004"_s;
        QTest::newRow("wrong password") << int(TestPbx::Tls::none) << u"errada"_s
                                        << u"registration failed: Unauthorized"_s << u"request REGISTER"_s;
        QTest::newRow("TLS server vouched for by a trusted CA")
            << int(TestPbx::Tls::signedByTestCa) << QString() << u"registration connected"_s
            << u"request REGISTER sip:127.0.0.1 over tls"_s;
        QTest::newRow("TLS server nobody vouches for")
            << int(TestPbx::Tls::selfSigned) << QString()
            << u"registration failed: "_s + sip::secureConnectionFailed().description() << QString();
    }
    void registersTheWayTheRegistrarAsks()
    {
        QFETCH(int, tls);
        QFETCH(QString, password);
        QFETCH(QString, outcome);
        QFETCH(QString, logged);
        std::optional<TestPbx> tlsPbx;
        if (TestPbx::Tls(tls) != TestPbx::Tls::none)
            tlsPbx.emplace(pbxExtensions, TestPbx::Tls(tls));
        TestPbx &pbx = tlsPbx ? *tlsPbx : *m_pbx;
        PJSIPEngine engine(testEnvironment(pbx, m_data));
        EngineRecorder recorder(engine);
        SIPAccount account = accountOn(pbx, u"2004"_s, password);
        account.authUser = u"u2004"_s;
        if (tlsPbx) {
            account.transport = u"TLS"_s;
            account.port = pbx.tlsPort();
        }
        QCOMPARE(failureOf([&] { engine.start(account); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), outcome, 5000);
        QVERIFY(!recorder.contains(u"registration connected"_s) || outcome == u"registration connected"_s);
        if (logged.isNull())
            QVERIFY2(!pbx.log().contains(u"request REGISTER"_s), qPrintable(pbx.log()));
        else
            QVERIFY2(pbx.log().contains(logged), qPrintable(pbx.log()));
    }

    void aDestroyedEngineReportsNothingMore()
    {
        auto engine = std::make_unique<PJSIPEngine>(testEnvironment(*m_pbx, m_data));
        EngineRecorder recorder(*engine);
        QCOMPARE(failureOf([&] { engine->start(accountOn(*m_pbx)); }), std::nullopt);
        const auto mark = recorder.reports.size();
        engine.reset();
        QTest::qWait(500);
        QCOMPARE(recorder.since(mark), QStringList());
    }

    void theStandardEngineWorksWithoutASystemBus()
    {
        QVERIFY(!QDBusConnection::systemBus().isConnected());
        PJSIPEngine engine;
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(*m_pbx)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        QCOMPARE(engine.implementation().core()->getNatPolicy()->getStunServer(), std::string(VOZEL_STUN_SERVER));
    }

    void registrarDownNeverConnectsNorCrashes()
    {
        PJSIPEngine engine(testEnvironment(*m_pbx, m_data));
        EngineRecorder recorder(engine);
        SIPAccount account = accountOn(*m_pbx);
        account.port = TestPbx::freePort();
        QCOMPARE(failureOf([&] { engine.start(account); }), std::nullopt);
        QTest::qWait(3000);
        const QStringList registration = recorder.reports.filter(u"registration"_s).mid(1);
        QVERIFY(!registration.isEmpty());
        for (const QString &report : registration)
            QVERIFY2(report == u"registration connecting"_s || report.startsWith(u"registration failed: "_s),
                     qPrintable(report));
        QVERIFY(engine.implementation().ticks() > 50);
        engine.stop();
        QCOMPARE(recorder.reports.mid(recorder.reports.size() - 3), stopReports);
    }

    void switchingAwayFromASilentRegistrarKeepsTheWindowResponsive()
    {
        TestPbx silent(pbxExtensions);
        PJSIPEngine engine(testEnvironment(silent, m_data));
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(silent)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        silent.setAnswering(false);
        // The longest the event loop stands still during stop() and the old core's shutdown.
        QElapsedTimer clock;
        clock.start();
        engine.stop();
        qint64 longest = clock.elapsed();
        while (clock.elapsed() < 3000) {
            const qint64 before = clock.elapsed();
            QTest::qWait(5);
            longest = std::max(longest, clock.elapsed() - before - 5);
        }
        silent.setAnswering(true);
        qInfo("longest stall: %lld ms", longest);
        QVERIFY(longest < 100);
    }

    void restartingStopsTheOldCoreFirstAndKeepsOneTimer()
    {
        PJSIPEngine engine(testEnvironment(*m_pbx, m_data));
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(*m_pbx, u"2001"_s)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        const auto firstCore = engine.implementation().core();

        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.start(accountOn(*m_pbx, u"2002"_s)); }), std::nullopt);
        const QStringList restartReports = stopReports + QStringList{u"registration connecting"_s, u"devices"_s};
        QCOMPARE(recorder.since(mark), restartReports);
        QVERIFY(engine.implementation().core() != firstCore);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"registration connected"_s, 5000);
        QCOMPARE(recorder.since(mark).filter(u"registration"_s).last(), u"registration connected"_s);

        // One 20 ms timer: about 50 ticks a second, not twice as many.
        const quint64 before = engine.implementation().ticks();
        QTest::qWait(1000);
        const quint64 perSecond = engine.implementation().ticks() - before;
        QVERIFY2(perSecond >= 30 && perSecond <= 60, qPrintable(QString::number(perSecond)));

        engine.stop();
        const quint64 stoppedAt = engine.implementation().ticks();
        QTest::qWait(200);
        QCOMPARE(engine.implementation().ticks(), stoppedAt);
    }

    void anAccountTheStackCannotParseFailsAndKeepsTheCore()
    {
        PJSIPEngine engine(testEnvironment(*m_pbx, m_data));
        EngineRecorder recorder(engine);
        SIPAccount account = accountOn(*m_pbx);
        account.host = u"pbx com espaço"_s;
        const auto failure = failureOf([&] { engine.start(account); });
        QVERIFY(failure);
        QCOMPARE(*failure, u"Endereço SIP inválido: sip:2001@pbx com espaço"_s);
        const QStringList partialStart = stopReports + QStringList{u"registration connecting"_s};
        QCOMPARE(recorder.reports, partialStart);
        QVERIFY(engine.implementation().core());
        QTRY_VERIFY(engine.implementation().ticks() > 0);
        engine.stop();
        QCOMPARE(recorder.since(4), stopReports);
    }

    void resumeFromSuspendRenewsTheRegistrationAtOnce()
    {
        QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-logind"_s);
        if (!logind.isConnected())
            QSKIP("needs a session bus (run inside tests/sandbox.sh)");
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));

        EngineEnvironment environment = testEnvironment(*m_pbx, m_data);
        environment.systemBus = QDBusConnection::sessionBus();
        PJSIPEngine engine(environment);
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(*m_pbx)); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"registration connected"_s, 5000);

        const auto prepareForSleep = [&](bool sleeping) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
                                                             u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
            signal << sleeping;
            QVERIFY(logind.send(signal));
        };

        auto mark = recorder.reports.size();
        prepareForSleep(true);
        QTest::qWait(300);
        QCOMPARE(recorder.since(mark), QStringList());

        prepareForSleep(false);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.since(mark),
                                  QStringList({u"registration connecting"_s, u"registration connected"_s}), 2000);

        logind.unregisterService(u"org.freedesktop.login1"_s);
        QDBusConnection::disconnectFromBus(u"fake-logind"_s);
    }

    void theStackLogGoesToAPrivateFileNotTheTerminal()
    {
        PJSIPEngine engine(testEnvironment(*m_pbx, m_data));
        EngineRecorder recorder(engine);
        QByteArray out;
        QByteArray err;
        {
            Capture stdoutCapture(STDOUT_FILENO, m_state.filePath(u"stdout"_s));
            Capture stderrCapture(STDERR_FILENO, m_state.filePath(u"stderr"_s));
            QCOMPARE(failureOf([&] { engine.start(accountOn(*m_pbx)); }), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
            engine.stop();
            out = stdoutCapture.release();
            err = stderrCapture.release();
        }
        QCOMPARE(out, QByteArray());
        QVERIFY2(!err.contains("liblinphone") && !err.contains("belle-sip"), err.constData());

        QFile log(m_state.filePath(u"vozel/sip.log"_s));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("REGISTER sip:127.0.0.1"));
        QVERIFY(text.contains(" liblinphone message: "));
    }

    void cleanupTestCase() { m_pbx.reset(); }
};

QTEST_GUILESS_MAIN(RegistrationTest)
#include "RegistrationTest.moc"
