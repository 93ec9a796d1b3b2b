// The engine against real parts on loopback: registration with Kamailio, the stack's log, calls,
// attended transfers and sound devices of the engine (2001) with other phones through the PBX: a
// second liblinphone core (2002, named), baresip (2003, unnamed) and another core (2005); the
// session's PulseAudio server has null sinks and sources: a USB headset told by its name, two
// identical headsets, and built-in speakers told only by the server's properties.

#include "support/BaresipPeer.h"
#include "support/EngineFixture.h"
#include "support/SandboxPulse.h"
#include "support/SipPeer.h"
#include "engine/AudioDeviceRules.h"
#include "engine/CoreEvents.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"
#include "engine/EngineLogFile.h"
#include "engine/EventMapping.h"
#include "engine/SipText.h"

#include <linphone++/address.hh>
#include <linphone++/audio_device.hh>
#include <linphone++/call.hh>
#include <linphone++/core.hh>
#include <linphone++/factory.hh>
#include <linphone++/nat_policy.hh>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

namespace {

const QString targetUnavailable = u"transfer failed: Ramal ocupado ou indisponível."_s;
const QString backTo2002 = u"call connected 2002"_s;
const QString twinHeadset = u"Jabra Evolve 20 MS Mono"_s;

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

QString idOf(const std::shared_ptr<const linphone::AudioDevice> &device)
{
    return device ? QString::fromStdString(device->getId()) : QString();
}

// Writes down each report of an engine, in order, as text: "registration failed: Unauthorized",
// "call dialing 2002", "transfer ready", "transfer failed: …", "devices", "waiting none"…
class EngineRecorder {
public:
    QStringList reports;

    explicit EngineRecorder(SIPEngine &engine)
    {
        engine.onRegistrationChanged = [this](const RegistrationState &state) {
            static const char *const kinds[] = {"notConfigured", "disabled", "connecting", "connected", "failed"};
            reports << u"registration "_s + QLatin1String(kinds[int(state.kind)])
                    + (state.kind == RegistrationState::Kind::Failed ? u": "_s + state.message : QString());
        };
        engine.onCallChanged = [this](const VozelCallState &state) {
            static const char *const kinds[] = {"idle", "incoming", "dialing", "connected"};
            reports << u"call "_s + QLatin1String(kinds[int(state.kind)]) + (state.isIdle() ? QString() : u' ' + state.number);
        };
        engine.onAttendedTransferChanged = [this](bool ready) { reports << (ready ? u"transfer ready"_s : u"transfer not ready"_s); };
        engine.onTransferFailed = [this](const QString &message) { reports << u"transfer failed: "_s + message; };
        engine.onAudioDevicesChanged = [this] { reports << u"devices"_s; };
        engine.onWaitingCallChanged = [this](const std::optional<QString> &number) {
            reports << u"waiting "_s + number.value_or(u"none"_s);
        };
        engine.onHeldCallResumed = [this](const QString &number) { reports << u"held call back "_s + number; };
    }

    QStringList since(qsizetype from) const { return reports.mid(from); }
    QString last() const { return reports.isEmpty() ? QString() : reports.last(); }
    bool contains(const QString &report) const { return reports.contains(report); }
};

} // namespace

class EngineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;
    QTemporaryDir m_data; // for engines besides the rig's
    QTemporaryDir m_engineData;
    // The engine as 2001. The session bus stands in for the system bus, so that a test can
    // announce a suspend as logind would.
    TestPbx pbx{pbxExtensions};
    PJSIPEngine engine{{pbx.stunServer(), QDBusConnection::sessionBus(), m_engineData.path(), pbx.testCa()}};
    EngineRecorder recorder{engine};
    SipPeer named{pbx, u"2002"_s, u"senha-2002"_s, u"Ana Souza"_s};
    BaresipPeer baresip{pbx, u"2003"_s, u"senha-2003"_s};
    SipPeer target{pbx, u"2005"_s, u"senha-2005"_s};
    SandboxPulse pulse;

    linphone::Core &core() { return *engine.implementation().core(); }
    int calls() { return core().getCallsNb(); }

    // 2002 calls and the engine answers; returns once both talk.
    void answerCallFrom2002()
    {
        named.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2002"_s, 5000);
        engine.answer();
        QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), backTo2002, 5000);
    }

    // Ends every call, puts the peers back to answering by hand and waits until nobody has a call.
    void hangUpAll()
    {
        for (SipPeer *peer : {&named, &target}) {
            peer->answerIncoming(SipPeer::Answer::manually);
            for (const auto &call : peer->core()->getCalls())
                call->terminate();
        }
        baresip.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(calls() == 0 && !named.hasCall() && !target.hasCall(), 5000);
        QTest::qWait(100);
    }

    // The reports since `mark` without repeats in a row; with `callsOnly`, those about calls
    // (waiting and held ones too).
    QStringList reportsSince(qsizetype mark, bool callsOnly = false) const
    {
        QStringList reports;
        for (const QString &report : recorder.since(mark)) {
            const bool aboutCalls = report.startsWith(u"call "_s) || report.startsWith(u"waiting "_s)
                || report.startsWith(u"held "_s);
            if ((aboutCalls || !callsOnly) && (reports.isEmpty() || reports.last() != report))
                reports << report;
        }
        return reports;
    }

    qsizetype busyAnswers() const { return baresip.events().filter(u"CALL_CLOSED 486 "_s).size(); }

    void registerOver(const QString &transport)
    {
        SIPAccount account = accountOn(pbx);
        account.transport = transport;
        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.start(account); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.since(mark).contains(u"registration connected"_s), 5000);
    }

    void beginTransferTo2005()
    {
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"2005"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::PausedByRemote, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callState(), CallState::IncomingReceived, 5000);
        QCOMPARE(target.callers().last(), u"2001"_s);
        QVERIFY(!recorder.contains(u"transfer ready"_s));
    }

    // 2002 is on the line again after a transfer attempt: never reported ended, the reports
    // since `mark` begin with `first` and go on with 2002's call only.
    void expectBackTo2002(qsizetype mark, const QStringList &first)
    {
        QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), backTo2002, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!target.hasCall(), 5000);
        QTest::qWait(300);
        QCOMPARE(reportsSince(mark), first);
        QCOMPARE(calls(), 1);
    }

    // What the core uses for the microphone, for calls and for ringing, by the stack's ids.
    QStringList choices()
    {
        return {idOf(core().getDefaultInputAudioDevice()), idOf(core().getDefaultOutputAudioDevice()),
                QString::fromStdString(core().getRingerDevice())};
    }

    void connectCall()
    {
        named.answerIncoming(SipPeer::Answer::automatically);
        QCOMPARE(failureOf([&] { engine.call(u"2002"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2002"_s, 5000);
    }

private slots:
    void initTestCase()
    {
        // The stack's log goes to the state folder; keep this run's log apart.
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        QVERIFY2(SandboxPulse::isTheSandboxs(), "run inside tests/sandbox.sh");
        pulse.plug(u"sink"_s, u"usb_headset"_s, u"USB Headset"_s);
        pulse.plug(u"source"_s, u"usb_headset_mic"_s, u"USB Headset Microphone"_s);
        pulse.plug(u"source"_s, u"builtin_mic"_s, u"Built-in Microphone"_s);
        pulse.plug(u"sink"_s, u"headphones"_s, u"Fones de ouvido"_s);
        pulse.plug(u"sink"_s, u"headset_a"_s, twinHeadset, u"device.bus=usb"_s);
        pulse.plug(u"sink"_s, u"headset_b"_s, twinHeadset, u"device.bus=usb"_s);
        // The engine watches the server from its start; let the new devices settle first.
        QTest::qWait(500);
        QVERIFY2(pbx.isRunning(), qPrintable(pbx.log()));
        QCOMPARE(failureOf([&] { engine.start(accountOn(pbx)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(named.isRegistered() && target.isRegistered(), 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(baresip.isRegistered(), qPrintable(baresip.log()), 5000);
        QCOMPARE(recorder.reports.count(u"devices"_s), 1);
    }
    void init() { recorder.reports.clear(); }
    void cleanup() { hangUpAll(); }

    // 2004 authenticates as u2004. Kamailio logs each request, with its transport, and each
    // accepted registration with its digest user name.
    void registersTheWayTheRegistrarAsks()
    {
        const QString connected = u"registration connected"_s;
        const struct { bool tls; QString password, outcome, logged; } rows[] = {
            {false, {}, connected, u"register 2004 as u2004"_s},
            {false, u"errada"_s, u"registration failed: Unauthorized"_s, u"request REGISTER"_s},
            // Only the system's authorities are trusted, none of them vouches for the server: no
            // request gets through (the rows before only unregister over UDP meanwhile).
            {true, {}, u"registration failed: Não foi possível abrir a conexão segura (TLS) com o servidor: o "
                       u"certificado dele não é confiável ou ele não atende nessa porta."_s, {}},
            {true, {}, connected, u"request REGISTER sip:127.0.0.1 over tls"_s},
        };
        for (const auto &row : rows) {
            EngineEnvironment environment = testEnvironment(pbx, m_data);
            if (row.logged.isNull())
                environment.trustedCertificates = EngineEnvironment::standard().trustedCertificates;
            PJSIPEngine engine(environment);
            EngineRecorder recorder(engine);
            SIPAccount account = accountOn(pbx, u"2004"_s, row.password);
            account.authUser = u"u2004"_s;
            if (row.tls) {
                account.transport = u"TLS"_s;
                account.port = pbx.tlsPort();
            }
            const qsizetype logMark = pbx.log().size();
            QCOMPARE(failureOf([&] { engine.start(account); }), std::nullopt);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), row.outcome, 5000);
            const QString log = pbx.log().mid(logMark);
            QVERIFY2(row.logged.isNull() ? !log.contains(u"over tls"_s) : log.contains(row.logged), qPrintable(log));
        }
    }

    // The user switches from 2001 to 2002, then, with the registrar frozen, to an account the
    // stack cannot parse, then stops.
    void restartingStopsTheOldCoreFirstWithoutStallingAndKeepsOneTimer()
    {
        TestPbx silent(pbxExtensions);
        PJSIPEngine engine(testEnvironment(silent, m_data));
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(silent, u"2001"_s)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        const auto firstCore = engine.implementation().core();

        recorder.reports.clear();
        QCOMPARE(failureOf([&] { engine.start(accountOn(silent, u"2002"_s)); }), std::nullopt);
        QCOMPARE(recorder.reports, stopReports + QStringList({u"registration connecting"_s, u"devices"_s}));
        QVERIFY(engine.implementation().core() != firstCore);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"registration connected"_s, 5000);
        // One 20 ms timer: about 50 ticks a second, not twice as many.
        quint64 before = engine.implementation().ticks();
        QTest::qWait(1000);
        const quint64 perSecond = engine.implementation().ticks() - before;
        QVERIFY2(perSecond >= 30 && perSecond <= 60, qPrintable(QString::number(perSecond)));

        recorder.reports.clear();
        SIPAccount account = accountOn(silent);
        account.host = u"pbx com espaço"_s;
        silent.setAnswering(false);
        // The longest the event loop stands still during the switch and the old core's shutdown.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(failureOf([&] { engine.start(account); }), std::optional(u"Endereço SIP inválido: sip:2001@pbx com espaço"_s));
        qint64 longest = clock.elapsed();
        while (clock.elapsed() < 3000) {
            const qint64 start = clock.elapsed();
            QTest::qWait(5);
            longest = std::max(longest, clock.elapsed() - start - 5);
        }
        QVERIFY2(longest < 100, qPrintable(u"longest stall: %1 ms"_s.arg(longest)));
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
            QCOMPARE(failureOf([&] { engine->start(accountOn(pbx, u"2006"_s)); }), std::nullopt);
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

    // A zero lifetime would unregister at once; a caller's address may have no user part or none at all.
    void lifetimesAndCallerNumbers()
    {
        QCOMPARE(sip::registrationLifetime(0), 600);
        QCOMPARE(sip::registrationLifetime(-30), 600);
        QCOMPARE(sip::registrationLifetime(qint64(1) << 40), std::numeric_limits<int>::max());
        QCOMPARE(sip::callNumber(linphone::Factory::get()->createAddress("sip:pbx.example.com")), u"Desconhecido"_s);
        QCOMPARE(sip::callNumber(nullptr), u"Desconhecido"_s);
    }

    // Kamailio logs the request URI of every request it receives.
    void dialledTextsReachThePbxEscapedAndEndWhenRefused()
    {
        named.answerIncoming(SipPeer::Answer::busy);
        for (const QString &dialled : {u"2002@127.0.0.1"_s, u"#"_s, u"*21*2003#"_s}) {
            const auto mark = recorder.reports.size();
            QCOMPARE(failureOf([&] { engine.call(dialled); }), std::nullopt);
            QTRY_COMPARE_WITH_TIMEOUT(reportsSince(mark, true),
                                      QStringList({u"call dialing "_s + dialled.section(u'@', 0, 0), u"call idle"_s}), 5000);
        }
        const QString log = pbx.log();
        QVERIFY2(log.contains(u"request INVITE sip:%23@"_s) && log.contains(u"request INVITE sip:*21*2003%23@"_s),
                 qPrintable(log));
        QCOMPARE(failureOf([&] { engine.call(u"20 02"_s); }), std::optional(u"Endereço SIP inválido: sip:20 02@127.0.0.1"_s));
        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.call(QString()); }), std::nullopt);
        QTest::qWait(300);
        QCOMPARE(recorder.since(mark), QStringList());
    }

    void rejectingARingingCallReportsIdleAtOnce()
    {
        named.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2002"_s, 5000);
        QCOMPARE(engine.remoteDisplayName(), std::optional(u"Ana Souza"_s));
        engine.endCall();
        QCOMPARE(recorder.reports.filter(u"call"_s), QStringList({u"call incoming 2002"_s, u"call idle"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(!named.hasCall(), 5000);
        QCOMPARE(reportsSince(0, true), QStringList({u"call incoming 2002"_s, u"call idle"_s}));
    }

    void callsWithBaresipCarryTelephoneEvents_data()
    {
        QTest::addColumn<bool>("engineDials");
        QTest::newRow("engine calls, baresip hangs up") << true;
        QTest::newRow("baresip calls, the engine hangs up") << false;
    }
    void callsWithBaresipCarryTelephoneEvents()
    {
        QFETCH(bool, engineDials);
        if (engineDials) {
            QCOMPARE(failureOf([&] { engine.call(u"2003"_s); }), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(baresip.events().contains(u"CALL_INCOMING"_s), 5000);
            baresip.accept();
        } else {
            baresip.dial(u"sip:2001@127.0.0.1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2003"_s, 5000);
            engine.answer();
        }
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2003"_s, 5000);
        QString digits = baresip.digits();
        for (const QString &digit : {u"7"_s, u"*"_s, u"#"_s}) {
            QCOMPARE(failureOf([&] { engine.sendDTMF(digit); }), std::nullopt);
            // Each digit lasts a moment on the wire; the next one waits for it.
            QTRY_COMPARE_WITH_TIMEOUT(baresip.digits(), digits + digit, 3000);
            digits += digit;
        }
        for (const QString &refused : {u"A"_s, u"d"_s, u"12"_s, QString()})
            QCOMPARE(failureOf([&] { engine.sendDTMF(refused); }), std::optional(sipUnavailableMessage));
        QVERIFY(engine.setMuted(true));
        QVERIFY(core().getCurrentCall()->getMicrophoneMuted());
        if (engineDials)
            baresip.hangUp();
        else
            engine.endCall();
        QTRY_COMPARE_WITH_TIMEOUT(reportsSince(0, true).last(), u"call idle"_s, 5000);
        QTest::qWait(300);
        QCOMPARE(baresip.digits(), digits);
        const QString first = engineDials ? u"call dialing 2003"_s : u"call incoming 2003"_s;
        QCOMPARE(reportsSince(0, true), QStringList({first, u"call connected 2003"_s, u"call idle"_s}));
    }

    // While 2002 (named) talks to the engine, baresip's 2003 (unnamed) calls: it waits without
    // touching the first call, and a third call is refused as busy at once.
    void whatBecomesOfAWaitingCall_data()
    {
        QTest::addColumn<QString>("act");
        QTest::addColumn<QStringList>("reports");
        const QStringList answered{u"waiting 2003"_s, u"call connected 2003"_s, u"held call back 2002"_s, backTo2002};
        QTest::newRow("answered, then 2003 hangs up") << u"answer, 2003 hangs up"_s << answered;
        QTest::newRow("answered, then the user hangs up") << u"answer, user hangs up"_s << answered;
        QTest::newRow("declined: busy, and the first goes on") << u"decline"_s << QStringList({u"waiting 2003"_s});
        QTest::newRow("its caller gives up") << u"2003 hangs up"_s << QStringList({u"waiting 2003"_s, u"waiting none"_s});
        QTest::newRow("the first ends: it rings as the one call")
            << u"first ends"_s
            << QStringList({u"waiting 2003"_s, u"call idle"_s, u"call incoming 2003"_s, u"call connected 2003"_s});
    }
    void whatBecomesOfAWaitingCall()
    {
        QFETCH(QString, act);
        answerCallFrom2002();
        const auto busy = busyAnswers();
        const auto mark = recorder.reports.size();
        baresip.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"waiting 2003"_s, 5000);
        QCOMPARE(engine.remoteDisplayName(), std::nullopt);
        baresip.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(busyAnswers(), busy + 1, 5000);
        QCOMPARE(recorder.since(mark), QStringList({u"waiting 2003"_s}));
        QCOMPARE(named.callState(), CallState::StreamsRunning);

        if (act.startsWith(u"answer"_s)) {
            engine.answer();
            QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::PausedByRemote, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2003"_s, 5000);
        }
        if (act.endsWith(u"2003 hangs up"_s)) {
            baresip.hangUp();
        } else if (act.endsWith(u"user hangs up"_s)) {
            engine.endCall();
        } else if (act == u"decline"_s) {
            engine.declineWaitingCall();
        } else {
            named.hangUp();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2003"_s, 5000);
            engine.answer();
        }
        QFETCH(QStringList, reports);
        QTRY_COMPARE_WITH_TIMEOUT(reportsSince(mark, true), reports, 5000);
        QTest::qWait(300);
        QCOMPARE(reportsSince(mark, true), reports);
        QCOMPARE(calls(), 1);
        if (act != u"first ends"_s)
            QCOMPARE(named.callState(), CallState::StreamsRunning);
        QTRY_COMPARE_WITH_TIMEOUT(busyAnswers(), busy + 1 + int(act == u"decline"_s), 5000);
    }

    // After a suspend the registration is renewed over fresh connections, under a running call
    // too; the call's BYE later reaches the other side over the renewed connection.
    void resumingFromSuspendRenewsTheRegistrationAndKeepsTheCall()
    {
        QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-logind"_s);
        QVERIFY2(logind.registerService(u"org.freedesktop.login1"_s), "run inside tests/sandbox.sh");
        const auto prepareForSleep = [&](bool sleeping) {
            QVERIFY(logind.send(QDBusMessage::createSignal(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
                                                           u"PrepareForSleep"_s) << sleeping));
        };
        for (const QString &transport : {u"udp"_s, u"tcp"_s}) {
            registerOver(transport);
            answerCallFrom2002();
            const auto mark = recorder.reports.size();
            prepareForSleep(true);
            QTest::qWait(300);
            QCOMPARE(recorder.since(mark), QStringList());
            prepareForSleep(false);
            const QStringList renewed{u"registration connecting"_s, u"registration connected"_s};
            QTRY_COMPARE_WITH_TIMEOUT(recorder.since(mark).filter(u"registration"_s), renewed, 3000);
            QTest::qWait(1000);
            QCOMPARE(recorder.since(mark).filter(u"registration"_s), renewed);
            QVERIFY(!recorder.since(mark).contains(u"call idle"_s));
            QCOMPARE(named.callState(), CallState::StreamsRunning);
            QCOMPARE(calls(), 1);
            // Switching accounts ends the call.
            registerOver(u"udp"_s);
            QTRY_VERIFY_WITH_TIMEOUT(!named.hasCall(), 5000);
        }
        QVERIFY(pbx.log().contains(u"request REGISTER sip:127.0.0.1 over tcp"_s));
    }

    void withoutACallOrACoreOperationsRefuseOrReportIdle()
    {
        QCOMPARE(failureOf([&] { engine.answer(); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine.sendDTMF(u"5"_s); }), std::optional(sipUnavailableMessage));
        QVERIFY(!engine.setMuted(true));
        engine.endCall();
        QCOMPARE(recorder.reports, QStringList({u"call idle"_s}));

        PJSIPEngine stopped(testEnvironment(pbx, m_data));
        EngineRecorder stoppedRecorder(stopped);
        QCOMPARE(failureOf([&] { stopped.call(u"2002"_s); }), std::nullopt);
        QCOMPARE(failureOf([&] { stopped.answer(); }), std::optional(sipUnavailableMessage));
        QVERIFY(!stopped.setMuted(true));
        stopped.setAudioSessionActive(true);
        QCOMPARE(stopped.audioDevices(), QList<VozelAudioDevice>());
        stopped.selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        QVERIFY(!stopped.setSpeakerEnabled(true));
        QCOMPARE(stoppedRecorder.reports, QStringList());
        QVERIFY(!named.hasCall());
    }

    void callsListEmptyingWithoutAnEndEventIsReportedOnce()
    {
        answerCallFrom2002();
        // The engine stops hearing the core, as if the call's end event never came.
        sip::EngineCore &core = engine.implementation();
        core.core()->removeListener(core.listener());
        const auto mark = recorder.reports.size();
        named.hangUp();
        const QStringList ended{u"transfer not ready"_s, u"call idle"_s};
        QTRY_COMPARE_WITH_TIMEOUT(recorder.since(mark), ended, 5000);
        QTest::qWait(300);
        QCOMPARE(recorder.since(mark), ended);
        core.core()->addListener(core.listener());
    }

    // The user tries to hand 2002 over to a PBX code nobody answers, to 2005 while it rings, to
    // 2005 who then hangs up, and at last to 2005 who takes the call: after each failure 2002
    // is back on the line, and no attempt reports it ended.
    void attendedTransferGivesTheHeldCallBackUntilItSucceeds()
    {
        answerCallFrom2002();
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(QString()); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"20 05"_s); }),
                 std::optional(u"Endereço SIP inválido: sip:20 05@127.0.0.1"_s));
        QCOMPARE(recorder.reports.filter(u"transfer"_s), QStringList());

        auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"#9"_s); }), std::nullopt);
        expectBackTo2002(mark, {u"transfer not ready"_s, u"call dialing #9"_s, u"transfer not ready"_s,
                                targetUnavailable, backTo2002});
        QVERIFY(pbx.log().contains(u"request INVITE sip:%239@"_s));
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::optional(sipUnavailableMessage));

        beginTransferTo2005();
        mark = recorder.reports.size();
        engine.endCall();
        QCOMPARE(recorder.since(mark), QStringList({u"call idle"_s}));
        expectBackTo2002(mark, {u"call idle"_s, u"transfer not ready"_s, targetUnavailable, backTo2002});

        recorder.reports.clear();
        beginTransferTo2005();
        target.accept();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"transfer ready"_s), 5000);
        mark = recorder.reports.size();
        target.hangUp();
        expectBackTo2002(mark, {u"transfer not ready"_s, backTo2002});

        recorder.reports.clear();
        beginTransferTo2005();
        target.accept();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"transfer ready"_s), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2005"_s, 5000);
        mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::nullopt);
        QCOMPARE(recorder.since(mark), QStringList({u"transfer not ready"_s}));
        // 2002 and 2005 talk to each other; 2001 is out of both calls.
        QTRY_VERIFY_WITH_TIMEOUT(calls() == 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call idle"_s, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callers().last(), u"2002"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callState(), CallState::StreamsRunning, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(named.core()->getCallsNb() + target.core()->getCallsNb(), 2, 5000);
        QCOMPARE(recorder.reports.filter(u"transfer failed"_s), QStringList());
    }

    // A held party that refuses to be transferred: sipp, calling as 2002, answers the REFER
    // with 603 Decline.
    void aRefusedTransferGivesTheHeldPartyBack()
    {
        QProcess sipp;
        sipp.setProcessChannelMode(QProcess::MergedChannels);
        sipp.start(u"sipp"_s, {pbx.host() + u':' + QString::number(pbx.port()), u"-sf"_s,
                               QStringLiteral(VOZEL_REFUSING_PEER), u"-i"_s, u"127.0.0.1"_s, u"-p"_s,
                               QString::number(TestPbx::freePort()), u"-m"_s, u"1"_s, u"-nostdin"_s,
                               u"-timeout"_s, u"30s"_s});
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2002"_s, 5000);
        engine.answer();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), backTo2002, 5000);
        target.answerIncoming(SipPeer::Answer::automatically);
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"2005"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"transfer ready"_s), 5000);
        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.since(mark),
                                  QStringList({u"transfer not ready"_s, u"transfer failed: Não foi possível transferir a chamada."_s,
                                               backTo2002}), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!target.hasCall(), 5000);
        engine.endCall();
        QVERIFY2(sipp.waitForFinished(5000) && sipp.exitCode() == 0, sipp.readAll().constData());
    }

    void eachDeviceIsListedAndEachRoleTakesItsOwn()
    {
        // Each by the server's name, with its capabilities and USB mark.
        const QList<VozelAudioDevice> devices = engine.audioDevices();
        for (const VozelAudioDevice &expected : {VozelAudioDevice{u"usb_headset"_s, u"USB Headset"_s, false, true, true},
                                                 {u"usb_headset_mic"_s, u"USB Headset Microphone"_s, true, false, true},
                                                 {u"builtin_mic"_s, u"Built-in Microphone"_s, true, false, false},
                                                 {u"headphones"_s, u"Fones de ouvido"_s, false, true, false},
                                                 {u"headset_a"_s, twinHeadset, false, true, true},
                                                 {u"headset_b"_s, twinHeadset, false, true, true}})
            QVERIFY2(devices.contains(expected), qPrintable(expected.id));
        engine.selectAudioDevice(u"builtin_mic"_s, VozelAudioRoute::microphone);
        engine.selectAudioDevice(u"headset_b"_s, VozelAudioRoute::callOutput);
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        const QStringList chosen{u"PulseAudio Unknown: Built-in Microphone"_s, u"PulseAudio Unknown: "_s + twinHeadset,
                                 u"PulseAudio Unknown: Fones de ouvido"_s};
        QCOMPARE(choices(), chosen);
        engine.selectAudioDevice(u"nao_existe"_s, VozelAudioRoute::callOutput);
        engine.selectAudioDevice(u"HEADPHONES"_s, VozelAudioRoute::ringer);
        QCOMPARE(choices(), chosen);
    }

    // A call moves to the output chosen, also between twin headsets the stack knows by the same
    // description (the peer's stream belongs to this process too, and moves along). The speakers
    // of an ordinary desktop are called "Built-in Audio Analog Stereo": only the server's form
    // factor says what they are. Plugged in during a call, they are reported once it ends; then
    // they take the next call's sound and give it back.
    void theCallTakesTheOutputChosenAndBuiltInSpeakersArrivingUnderIt()
    {
        const auto output = [this] { return idOf(core().getOutputAudioDevice()).remove(u"PulseAudio Unknown: "_s); };
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::callOutput);
        connectCall();
        QCOMPARE(output(), u"Fones de ouvido"_s);
        for (const auto &[chosen, twin] : {std::pair(u"headset_b"_s, u"headset_a"_s), std::pair(u"headset_a"_s, u"headset_b"_s)}) {
            engine.selectAudioDevice(chosen, VozelAudioRoute::callOutput);
            QTRY_VERIFY_WITH_TIMEOUT(pulse.playingSinks().contains(u'\t' + chosen + u'\t')
                                         && !pulse.playingSinks().contains(u'\t' + twin + u'\t'), 3000);
        }
        engine.selectAudioDevice(u"usb_headset"_s, VozelAudioRoute::callOutput);
        QCOMPARE(output(), u"USB Headset"_s);
        QVERIFY(!engine.setSpeakerEnabled(true));
        QVERIFY(engine.setSpeakerEnabled(false));
        QCOMPARE(output(), u"USB Headset"_s);

        auto mark = recorder.reports.size();
        const int speakers = pulse.plug(u"sink"_s, u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, u"device.form_factor=internal"_s);
        QTest::qWait(1000);
        QCOMPARE(recorder.since(mark), QStringList());
        QCOMPARE(named.callState(), CallState::StreamsRunning);
        hangUpAll();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.since(mark).contains(u"devices"_s), 1000);
        QVERIFY(engine.audioDevices().contains(VozelAudioDevice{u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, false, true, false}));

        connectCall();
        QVERIFY(engine.setSpeakerEnabled(true));
        QCOMPARE(output(), u"Built-in Audio Analog Stereo"_s);
        QCOMPARE(idOf(core().getDefaultOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pulse.playingSinks().contains(u"\tsink_7\t"_s), 3000);
        QVERIFY(engine.setSpeakerEnabled(false));
        QCOMPARE(output(), u"USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!pulse.playingSinks().contains(u"\tsink_7\t"_s), 3000);

        // Unplugged while idle: reported once, within 300 ms.
        hangUpAll();
        mark = recorder.reports.size();
        pulse.unplug(speakers);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.since(mark).contains(u"devices"_s), 300);
        QTest::qWait(500);
        QCOMPARE(recorder.since(mark), QStringList({u"devices"_s}));
        QVERIFY(!engine.audioDevices().contains(VozelAudioDevice{u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, false, true, false}));
    }

    // Which sink the loudspeaker switch takes, as PulseAudio describes sinks on ordinary
    // computers: a speaker form factor first, else a built-in card's output.
    void theLoudspeakerIsTheBuiltInSpeakers()
    {
        const QString analog = u"alsa_output.pci-0000_00_1f.3.analog-stereo"_s, builtIn = u"Built-in Audio Analog Stereo"_s;
        const struct { sip::SoundServerDevice device; bool loudspeaker, builtIn; } rows[] = {
            {{u"s"_s, u"Caixas"_s, true, {}, u"speaker"_s}, true, false},
            {{analog, builtIn, true, u"pci"_s, {}}, false, true},
            {{u"alsa_output.pci-0000_01_00.1.hdmi-stereo"_s, u"HDA NVidia Digital Stereo (HDMI)"_s, true, u"pci"_s, {}}, false, false},
            {{u"u"_s, u"Jabra Evolve 20"_s, true, u"usb"_s, u"headset"_s}, false, false},
            {{u"b"_s, u"WH-1000XM4"_s, true, u"bluetooth"_s, {}}, false, false},
            {{analog, builtIn, true, u"pci"_s, u"headset"_s}, false, false},
            {{u"m"_s, builtIn, false, u"pci"_s, u"internal"_s}, false, false},
        };
        for (const auto &row : rows) {
            QVERIFY2(sip::isLoudspeaker(row.device) == row.loudspeaker && sip::isBuiltInOutput(row.device) == row.builtIn,
                     qPrintable(row.device.name + u' ' + row.device.formFactor));
        }
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "EngineTest.moc"
