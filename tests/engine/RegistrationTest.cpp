// Start, stop and registration of the engine against a real registrar on loopback, and the
// stack's log.

#include "support/EngineRig.h"
#include "engine/EngineLogFile.h"
#include "engine/SipText.h"

#include <linphone++/nat_policy.hh>

#include <QElapsedTimer>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QStringList stopReports = {u"transfer not ready"_s, u"call idle"_s, u"registration notConfigured"_s};

mode_t modeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class RegistrationTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;
    QTemporaryDir m_data;
    TestPbx m_pbx{pbxExtensions};

private slots:
    void initTestCase()
    {
        // The stack's log goes to the state folder; keep this run's log apart.
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        QVERIFY2(m_pbx.isRunning(), qPrintable(m_pbx.log()));
    }

    // Kamailio logs each request and each accepted registration with its digest user name.
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
            << u"registration failed: Não foi possível abrir a conexão segura (TLS) com o servidor: o certificado dele "
               u"não é confiável ou ele não atende nessa porta."_s
            << QString();
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
        TestPbx &pbx = tlsPbx ? *tlsPbx : m_pbx;
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
        QVERIFY2(longest < 100, qPrintable(u"longest stall: %1 ms"_s.arg(longest)));
    }

    // The user switches from 2001 to 2002, then to an account the stack cannot parse, then stops.
    void restartingStopsTheOldCoreFirstAndKeepsOneTimer()
    {
        PJSIPEngine engine(testEnvironment(m_pbx, m_data));
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(m_pbx, u"2001"_s)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        const auto firstCore = engine.implementation().core();

        recorder.reports.clear();
        QCOMPARE(failureOf([&] { engine.start(accountOn(m_pbx, u"2002"_s)); }), std::nullopt);
        QCOMPARE(recorder.reports, stopReports + QStringList({u"registration connecting"_s, u"devices"_s}));
        QVERIFY(engine.implementation().core() != firstCore);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"registration connected"_s, 5000);
        // One 20 ms timer: about 50 ticks a second, not twice as many.
        quint64 before = engine.implementation().ticks();
        QTest::qWait(1000);
        const quint64 perSecond = engine.implementation().ticks() - before;
        QVERIFY2(perSecond >= 30 && perSecond <= 60, qPrintable(QString::number(perSecond)));

        recorder.reports.clear();
        SIPAccount account = accountOn(m_pbx);
        account.host = u"pbx com espaço"_s;
        QCOMPARE(failureOf([&] { engine.start(account); }), std::optional(u"Endereço SIP inválido: sip:2001@pbx com espaço"_s));
        QCOMPARE(recorder.reports, stopReports + QStringList({u"registration connecting"_s}));
        before = engine.implementation().ticks();
        QTRY_VERIFY(engine.implementation().ticks() > before);

        recorder.reports.clear();
        engine.stop();
        QCOMPARE(recorder.reports, stopReports);
        const quint64 stoppedAt = engine.implementation().ticks();
        QTest::qWait(200);
        QCOMPARE(engine.implementation().ticks(), stoppedAt);
    }

    // The engine as the application makes it, without a system bus here. Nothing of the stack
    // reaches the terminal; its log goes to a private file. Dropped while registered, the
    // engine reports nothing more.
    void theStandardEngineLogsToAPrivateFileNotTheTerminal()
    {
        QVERIFY(!QDBusConnection::systemBus().isConnected());
        auto engine = std::make_unique<PJSIPEngine>();
        EngineRecorder recorder(*engine);
        const QString captured = m_state.filePath(u"terminal"_s);
        qsizetype mark = 0;
        {
            std::fflush(nullptr);
            const int terminal[] = {::dup(STDOUT_FILENO), ::dup(STDERR_FILENO)};
            const auto backToTerminal = qScopeGuard([&] {
                std::fflush(nullptr);
                ::dup2(terminal[0], STDOUT_FILENO);
                ::dup2(terminal[1], STDERR_FILENO);
            });
            const int file = ::open(QFile::encodeName(captured).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(file, STDOUT_FILENO);
            ::dup2(file, STDERR_FILENO);
            ::close(file);
            QCOMPARE(failureOf([&] { engine->start(accountOn(m_pbx)); }), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
            QCOMPARE(engine->implementation().core()->getNatPolicy()->getStunServer(), std::string(VOZEL_STUN_SERVER));
            mark = recorder.reports.size();
            engine.reset();
            QTest::qWait(500);
        }
        QCOMPARE(recorder.since(mark), QStringList());
        QCOMPARE(contentOf(captured), QByteArray());

        const QString log = m_state.filePath(u"vozel/sip.log"_s);
        QVERIFY(contentOf(log).contains("REGISTER sip:127.0.0.1") && contentOf(log).contains(" liblinphone message: "));
        QCOMPARE(modeOf(log), mode_t(0600));
        QCOMPARE(modeOf(m_state.filePath(u"vozel"_s)), mode_t(0700));
    }

    // The log file holds whole lines up to its cap, then becomes the older copy; an older file
    // readable by others is made private and appended to; an unwritable folder drops lines.
    void theLogFileKeepsTwoPrivateFilesUpToTheCap()
    {
        const QString path = m_data.filePath(u"log/sip.log"_s);
        sip::EngineLogFile(path, 1000).append("older\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        sip::EngineLogFile log(path, 1000);
        log.append("newer\n");
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(contentOf(path), "older\nnewer\n"_ba);
        // 12 bytes, then 99 lines of 100: each file ends with whole lines up to the cap.
        for (int i = 0; i < 99; ++i)
            log.append(QByteArray(99, 'x') + '\n');
        QCOMPARE(QFileInfo(path + u".1"_s).size(), qint64(1000));
        QCOMPARE(QFileInfo(path).size(), qint64(1000));
        log.append(QByteArray(2000, 'y'));
        QCOMPARE(QFileInfo(path).size(), qint64(2000));
        log.append("z");
        QCOMPARE(contentOf(path), "z"_ba);

        sip::EngineLogFile(path + u"/sip.log"_s, 100).append("lost\n");
        QVERIFY(!QFile::exists(path + u"/sip.log"_s));
    }

    // A zero lifetime would unregister at once.
    void registrationLifetimes()
    {
        QCOMPARE(sip::registrationLifetime(0), 600);
        QCOMPARE(sip::registrationLifetime(-30), 600);
        QCOMPARE(sip::registrationLifetime(qint64(1) << 40), std::numeric_limits<int>::max());
    }
};

QTEST_GUILESS_MAIN(RegistrationTest)
#include "RegistrationTest.moc"
