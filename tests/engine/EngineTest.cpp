// The engine (2001) against real parts on loopback: Kamailio, the phones 2002 (liblinphone, named),
// 2003 (baresip) and 2005 (liblinphone), and the session's PulseAudio server with null devices.

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

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <sys/stat.h>

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

// baresip, another SIP stack, as a remote party registered on the test PBX, driven through its
// control socket (ctrl_tcp: JSON as netstrings). It sends a tone, so RTP flows both ways.
class BaresipPeer {
public:
    BaresipPeer(const TestPbx &pbx, const QString &extension, const QString &password)
    {
        const quint16 controlPort = TestPbx::freePort();
        // Opus because the tone source only runs at 48 kHz; nothing is played anywhere.
        writeFile(u"config"_s, u"sip_listen 127.0.0.1:0\naudio_player aubridge,nowhere\naudio_alert aubridge,nowhere\n"
                              "audio_source ausine,440\nmodule_path /usr/lib/baresip/modules\nmodule opus.so\n"
                              "module g711.so\nmodule aubridge.so\nmodule ausine.so\nmodule_app account.so\n"
                              "module_app menu.so\nmodule_app ctrl_tcp.so\nctrl_tcp_listen 127.0.0.1:%1\n"_s.arg(controlPort));
        writeFile(u"accounts"_s, u"<sip:%1@%2>;auth_pass=%3;outbound=\"sip:%2:%4;transport=udp\";regint=600\n"_s.arg(
                                     extension, pbx.host(), password, QString::number(pbx.port())));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(u"baresip"_s, {u"-f"_s, m_folder.path()});
        QObject::connect(&m_control, &QTcpSocket::readyRead, [this] { readEvents(); });
        const QDeadlineTimer deadline(5000);
        while (m_process.waitForStarted(1000) && !deadline.hasExpired()) {
            m_control.connectToHost(pbx.host(), controlPort);
            if (m_control.waitForConnected(200))
                return;
            QThread::msleep(50);
        }
        qWarning("baresip did not start:\n%s", qPrintable(log()));
    }

    // It unregisters on SIGTERM; the process is killed if it takes too long.
    ~BaresipPeer()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }

    // Asks baresip while the answer is no: it registers before anyone listens to its events.
    bool isRegistered()
    {
        if (!m_registered)
            command("reginfo");
        return m_registered;
    }
    // Its call events in order, as "CALL_INCOMING", "CALL_ESTABLISHED", "CALL_CLOSED 486 Busy Here".
    const QStringList &events() const { return m_events; }
    const QString &digits() const { return m_digits; }
    // What baresip wrote so far, for failure messages.
    QString log() { return m_log += QString::fromLocal8Bit(m_process.readAll()); }

    void dial(const QString &target) { command("dial", target); }
    void accept() { command("accept"); }
    void hangUp() { command("hangup"); }

private:
    void writeFile(const QString &name, const QString &text)
    {
        QFile file(m_folder.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    void command(const char *name, const QString &parameters = {})
    {
        const QByteArray json =
            QJsonDocument(QJsonObject{{u"command"_s, QString::fromLatin1(name)}, {u"params"_s, parameters}})
                .toJson(QJsonDocument::Compact);
        m_control.write(QByteArray::number(json.size()) + ':' + json + ',');
        m_control.flush();
    }

    void readEvents()
    {
        m_received += m_control.readAll();
        for (;;) {
            const auto colon = m_received.indexOf(':');
            const qsizetype length = colon > 0 ? m_received.left(colon).toLongLong() : -1;
            if (length < 0 || m_received.size() < colon + length + 2)
                return;
            const QJsonObject message = QJsonDocument::fromJson(m_received.mid(colon + 1, length)).object();
            m_received.remove(0, colon + length + 2);
            const QString type = message.value(u"type"_s).toString();
            const QString parameter = message.value(u"param"_s).toString();
            if (message.value(u"data"_s).toString().contains(u"\x1b[32mOK"_s))
                m_registered = true;
            else if (type == "CALL_DTMF_START"_L1)
                m_digits += parameter;
            else if (message.value(u"class"_s) == "call"_L1 && type != "CALL_RTCP"_L1)
                m_events << (type == "CALL_CLOSED"_L1 ? type + u' ' + parameter : type);
        }
    }

    QTemporaryDir m_folder;
    QProcess m_process;
    QTcpSocket m_control;
    QByteArray m_received;
    QStringList m_events;
    QString m_digits;
    QString m_log;
    bool m_registered = false;
};

// Each report of an engine, in order, as text: "call dialing 2002", "transfer ready", "devices"…
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

    QString last() const { return reports.isEmpty() ? QString() : reports.last(); }
};

} // namespace

class EngineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;
    QTemporaryDir m_data; // for engines besides the rig's
    QTemporaryDir m_engineData;
    // The engine as 2001, the session bus as its system bus: a test announces suspends there.
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
            peer->core()->terminateAllCalls();
        }
        baresip.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(calls() == 0 && !named.hasCall() && !target.hasCall(), 5000);
        QTest::qWait(100);
    }

    // The reports since `mark` without repeats in a row; with `callsOnly`, only those about calls.
    QStringList reportsSince(qsizetype mark, bool callsOnly = false) const
    {
        static const QRegularExpression aboutCalls(u"^(call|waiting|held) "_s);
        QStringList reports;
        for (const QString &report : recorder.reports.mid(mark)) {
            if ((!callsOnly || report.contains(aboutCalls)) && (reports.isEmpty() || reports.last() != report))
                reports << report;
        }
        return reports;
    }

    qsizetype busyAnswers() const { return baresip.events().filter(u"CALL_CLOSED 486 "_s).size(); }

    // The user holds 2002 and calls 2005, who rings and, if `answered`, takes the call.
    void consult2005(bool answered)
    {
        recorder.reports.clear();
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"2005"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(named.callState(), CallState::PausedByRemote, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callState(), CallState::IncomingReceived, 5000);
        QVERIFY(!recorder.reports.contains(u"transfer ready"_s));
        if (answered) {
            target.accept();
            QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"transfer ready"_s), 5000);
        }
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

private slots:
    void initTestCase()
    {
        // The stack's log goes to the state folder; keep this run's log apart.
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        QVERIFY2(SandboxPulse::isTheSandboxs(), "run inside tests/sandbox.sh");
        pulse.plug(u"sink"_s, u"usb_headset"_s, u"USB Headset"_s);
        pulse.plug(u"source"_s, u"builtin_mic"_s, u"Built-in Microphone"_s);
        pulse.plug(u"sink"_s, u"headphones"_s, u"Fones de ouvido"_s);
        pulse.plug(u"sink"_s, u"headset_a"_s, twinHeadset, u"device.bus=usb"_s);
        pulse.plug(u"sink"_s, u"headset_b"_s, twinHeadset, u"device.bus=usb"_s);
        // The engine watches the server from its start; let the new devices settle first.
        QTest::qWait(500);
        QCOMPARE(failureOf([&] { engine.start(accountOn(pbx)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"registration connected"_s), 5000);
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
    // stack cannot parse, then stops: stopped, the engine refuses or ignores everything.
    void restartingStopsTheOldCoreFirstWithoutStalling()
    {
        TestPbx silent(pbxExtensions);
        PJSIPEngine engine(testEnvironment(silent, m_data));
        EngineRecorder recorder(engine);
        QCOMPARE(failureOf([&] { engine.start(accountOn(silent, u"2001"_s)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"registration connected"_s), 5000);

        recorder.reports.clear();
        QCOMPARE(failureOf([&] { engine.start(accountOn(silent, u"2002"_s)); }), std::nullopt);
        QCOMPARE(recorder.reports, stopReports + QStringList({u"registration connecting"_s, u"devices"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"registration connected"_s, 5000);

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

        recorder.reports.clear();
        engine.stop();
        QCOMPARE(recorder.reports, stopReports);
        recorder.reports.clear();
        QCOMPARE(failureOf([&] { engine.call(u"2002"_s); }), std::nullopt);
        QCOMPARE(failureOf([&] { engine.answer(); }), std::optional(sipUnavailableMessage));
        QVERIFY(!engine.setMuted(true));
        engine.setAudioSessionActive(true);
        QCOMPARE(engine.audioDevices(), QList<VozelAudioDevice>());
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        QVERIFY(!engine.setSpeakerEnabled(true));
        QCOMPARE(recorder.reports, QStringList());
    }

    // The engine as the application makes it, without a system bus here: the stack's log goes to
    // a private file. Dropped while registered, the engine reports nothing more. A log file holds
    // whole lines up to its cap, then becomes the older copy; an older file readable by others is
    // made private and appended to.
    void theStackLogGoesToTwoPrivateFilesUpToTheCap()
    {
        auto engine = std::make_unique<PJSIPEngine>();
        EngineRecorder recorder(*engine);
        QCOMPARE(failureOf([&] { engine->start(accountOn(pbx, u"2006"_s)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"registration connected"_s), 5000);
        const auto mark = recorder.reports.size();
        engine.reset();
        QTest::qWait(500);
        QCOMPARE(recorder.reports.mid(mark), QStringList());

        const QString stackLog = m_state.filePath(u"vozel/sip.log"_s);
        QVERIFY(contentOf(stackLog).contains("REGISTER sip:127.0.0.1") && contentOf(stackLog).contains(" liblinphone message: "));
        QCOMPARE(modeOf(stackLog), mode_t(0600));
        QCOMPARE(modeOf(m_state.filePath(u"vozel"_s)), mode_t(0700));

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
    }

    // A zero lifetime would unregister at once; a caller's address may have no user part or none at all.
    void lifetimesAndCallerNumbers()
    {
        QCOMPARE(sip::registrationLifetime(0), 600);
        QCOMPARE(sip::registrationLifetime(qint64(1) << 40), std::numeric_limits<int>::max());
        QCOMPARE(sip::callNumber(linphone::Factory::get()->createAddress("sip:pbx.example.com")), u"Desconhecido"_s);
        QCOMPARE(sip::callNumber(nullptr), u"Desconhecido"_s);
    }

    // Kamailio logs the request URI of every request it receives.
    void dialledTextsReachThePbxEscapedAndEndWhenRefused()
    {
        named.answerIncoming(SipPeer::Answer::busy);
        for (const QString &dialled : {u"2002@127.0.0.1"_s, u"*21*2003#"_s}) {
            const auto mark = recorder.reports.size();
            QCOMPARE(failureOf([&] { engine.call(dialled); }), std::nullopt);
            QTRY_COMPARE_WITH_TIMEOUT(reportsSince(mark, true),
                                      QStringList({u"call dialing "_s + dialled.section(u'@', 0, 0), u"call idle"_s}), 5000);
        }
        QVERIFY2(pbx.log().contains(u"request INVITE sip:*21*2003%23@"_s), qPrintable(pbx.log()));
        QCOMPARE(failureOf([&] { engine.call(u"20 02"_s); }), std::optional(u"Endereço SIP inválido: sip:20 02@127.0.0.1"_s));
        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.call(QString()); }), std::nullopt);
        QTest::qWait(300);
        QCOMPARE(recorder.reports.mid(mark), QStringList());
    }

    // The engine calls baresip, sends it digits, mutes, and baresip hangs up.
    void aCallWithBaresipCarriesTelephoneEvents()
    {
        QCOMPARE(failureOf([&] { engine.call(u"2003"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(baresip.events().contains(u"CALL_INCOMING"_s), 5000);
        baresip.accept();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2003"_s, 5000);
        QString digits = baresip.digits();
        for (const QString &digit : {u"7"_s, u"*"_s, u"#"_s}) {
            QCOMPARE(failureOf([&] { engine.sendDTMF(digit); }), std::nullopt);
            // Each digit lasts a moment on the wire; the next one waits for it.
            QTRY_COMPARE_WITH_TIMEOUT(baresip.digits(), digits + digit, 3000);
            digits += digit;
        }
        QCOMPARE(failureOf([&] { engine.sendDTMF(u"12"_s); }), std::optional(sipUnavailableMessage));
        QVERIFY(engine.setMuted(true));
        QVERIFY(core().getCurrentCall()->getMicrophoneMuted());
        baresip.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(reportsSince(0, true).last(), u"call idle"_s, 5000);
        QTest::qWait(300);
        QCOMPARE(baresip.digits(), digits);
        QCOMPARE(reportsSince(0, true), QStringList({u"call dialing 2003"_s, u"call connected 2003"_s, u"call idle"_s}));
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
        const QStringList ringsAlone{u"waiting 2003"_s, u"call idle"_s, u"call incoming 2003"_s, u"call connected 2003"_s};
        QTest::newRow("2002 ends the first: it rings as the one call") << u"2002 ends first"_s << ringsAlone;
        QTest::newRow("the user ends the first: it rings as the one call") << u"user ends first"_s << ringsAlone;
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
        QCOMPARE(recorder.reports.mid(mark), QStringList({u"waiting 2003"_s}));

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
            if (act.startsWith(u"user"_s))
                engine.endCall();
            else
                named.hangUp();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2003"_s, 5000);
            engine.answer();
        }
        QFETCH(QStringList, reports);
        QTRY_COMPARE_WITH_TIMEOUT(reportsSince(mark, true), reports, 5000);
        QTest::qWait(300);
        QCOMPARE(reportsSince(mark, true), reports);
        QCOMPARE(calls(), 1);
        if (!act.endsWith(u"ends first"_s))
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
        // Switching accounts ends the call.
        for (const QString &transport : {u"tcp"_s, u"udp"_s}) {
            SIPAccount account = accountOn(pbx);
            account.transport = transport;
            recorder.reports.clear();
            QCOMPARE(failureOf([&] { engine.start(account); }), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"registration connected"_s) && !named.hasCall(), 5000);
            answerCallFrom2002();
            const auto mark = recorder.reports.size();
            prepareForSleep(true);
            QTest::qWait(300);
            prepareForSleep(false);
            const QStringList renewed{u"registration connecting"_s, u"registration connected"_s};
            QTRY_COMPARE_WITH_TIMEOUT(recorder.reports.mid(mark).filter(u"registration"_s), renewed, 3000);
            QVERIFY(!recorder.reports.mid(mark).contains(u"call idle"_s));
            QCOMPARE(named.callState(), CallState::StreamsRunning);
            QCOMPARE(calls(), 1);
        }
        QVERIFY(pbx.log().contains(u"request REGISTER sip:127.0.0.1 over tcp"_s));
    }

    // Without a call the call operations refuse. 2002's first call is rejected while it rings,
    // its second is answered and then ends without the stack's end event: each end is reported once.
    void callsFrom2002EndOnceRejectedOrLost()
    {
        QCOMPARE(failureOf([&] { engine.sendDTMF(u"5"_s); }), std::optional(sipUnavailableMessage));
        QVERIFY(!engine.setMuted(true));
        engine.endCall();
        QCOMPARE(recorder.reports, QStringList({u"call idle"_s}));

        recorder.reports.clear();
        named.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming 2002"_s, 5000);
        QCOMPARE(engine.remoteDisplayName(), std::optional(u"Ana Souza"_s));
        engine.endCall();
        const QStringList rejected{u"call incoming 2002"_s, u"call idle"_s};
        QCOMPARE(recorder.reports.filter(u"call"_s), rejected);
        QTRY_VERIFY_WITH_TIMEOUT(!named.hasCall(), 5000);
        QCOMPARE(reportsSince(0, true), rejected);

        answerCallFrom2002();
        // The engine stops hearing the core, as if the call's end event never came.
        sip::EngineCore &core = engine.implementation();
        core.core()->removeListener(core.listener());
        const auto mark = recorder.reports.size();
        named.hangUp();
        const QStringList ended{u"transfer not ready"_s, u"call idle"_s};
        QTRY_COMPARE_WITH_TIMEOUT(recorder.reports.mid(mark), ended, 5000);
        QTest::qWait(300);
        QCOMPARE(recorder.reports.mid(mark), ended);
        core.core()->addListener(core.listener());
    }

    // The user tries to hand 2002 over to 2005 while it rings, to 2005 who then hangs up, and at
    // last to 2005 who takes the call: after each failure 2002 is back on the line, and no
    // attempt reports it ended.
    void attendedTransferGivesTheHeldCallBackUntilItSucceeds()
    {
        answerCallFrom2002();
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(QString()); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine.beginAttendedTransfer(u"20 05"_s); }),
                 std::optional(u"Endereço SIP inválido: sip:20 05@127.0.0.1"_s));
        QCOMPARE(recorder.reports.filter(u"transfer"_s), QStringList());

        consult2005(false);
        auto mark = recorder.reports.size();
        engine.endCall();
        QCOMPARE(recorder.reports.mid(mark), QStringList({u"call idle"_s}));
        expectBackTo2002(mark, {u"call idle"_s, u"transfer not ready"_s, targetUnavailable, backTo2002});
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::optional(sipUnavailableMessage));

        consult2005(true);
        mark = recorder.reports.size();
        target.hangUp();
        expectBackTo2002(mark, {u"transfer not ready"_s, backTo2002});

        consult2005(true);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2005"_s, 5000);
        mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::nullopt);
        QCOMPARE(recorder.reports.mid(mark), QStringList({u"transfer not ready"_s}));
        // 2002 and 2005 talk to each other; 2001 is out of both calls.
        QTRY_VERIFY_WITH_TIMEOUT(calls() == 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call idle"_s, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callers().last(), u"2002"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(target.callState(), CallState::StreamsRunning, 10000);
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
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.contains(u"transfer ready"_s), 5000);
        const auto mark = recorder.reports.size();
        QCOMPARE(failureOf([&] { engine.completeAttendedTransfer(); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.reports.mid(mark),
                                  QStringList({u"transfer not ready"_s, u"transfer failed: Não foi possível transferir a chamada."_s,
                                               backTo2002}), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!target.hasCall(), 5000);
        engine.endCall();
        QVERIFY2(sipp.waitForFinished(5000) && sipp.exitCode() == 0, sipp.readAll().constData());
    }

    // Each device is listed by the server's name, with its capabilities and USB mark, and each
    // role takes its own. A call moves to the output chosen, also between twin headsets the stack
    // knows by the same description (the peer's stream belongs to this process too, and moves
    // along). The speakers of an ordinary desktop are called "Built-in Audio Analog Stereo": only
    // the server's form factor says what they are. Plugged in during a call, they are reported
    // once it ends; then they take the next call's sound and give it back.
    void eachRoleTakesItsDeviceAndBuiltInSpeakersArriveUnderACall()
    {
        const QList<VozelAudioDevice> devices = engine.audioDevices();
        for (const VozelAudioDevice &expected : {VozelAudioDevice{u"usb_headset"_s, u"USB Headset"_s, false, true, true},
                                                 {u"builtin_mic"_s, u"Built-in Microphone"_s, true, false, false},
                                                 {u"headphones"_s, u"Fones de ouvido"_s, false, true, false},
                                                 {u"headset_a"_s, twinHeadset, false, true, true},
                                                 {u"headset_b"_s, twinHeadset, false, true, true}})
            QVERIFY2(devices.contains(expected), qPrintable(expected.id));
        engine.selectAudioDevice(u"builtin_mic"_s, VozelAudioRoute::microphone);
        engine.selectAudioDevice(u"headset_b"_s, VozelAudioRoute::callOutput);
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        const auto choices = [this] {
            return QStringList{idOf(core().getDefaultInputAudioDevice()), idOf(core().getDefaultOutputAudioDevice()),
                               QString::fromStdString(core().getRingerDevice())};
        };
        const QStringList roles{u"PulseAudio Unknown: Built-in Microphone"_s, u"PulseAudio Unknown: "_s + twinHeadset,
                                u"PulseAudio Unknown: Fones de ouvido"_s};
        QCOMPARE(choices(), roles);
        engine.selectAudioDevice(u"nao_existe"_s, VozelAudioRoute::callOutput);
        QCOMPARE(choices(), roles);

        const auto output = [this] { return idOf(core().getOutputAudioDevice()).remove(u"PulseAudio Unknown: "_s); };
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::callOutput);
        answerCallFrom2002();
        QCOMPARE(output(), u"Fones de ouvido"_s);
        for (const auto &[chosen, twin] : {std::pair(u"headset_b"_s, u"headset_a"_s), std::pair(u"headset_a"_s, u"headset_b"_s)}) {
            engine.selectAudioDevice(chosen, VozelAudioRoute::callOutput);
            QTRY_VERIFY_WITH_TIMEOUT(pulse.playingSinks().contains(u'\t' + chosen + u'\t')
                                         && !pulse.playingSinks().contains(u'\t' + twin + u'\t'), 3000);
        }
        engine.selectAudioDevice(u"usb_headset"_s, VozelAudioRoute::callOutput);
        QCOMPARE(output(), u"USB Headset"_s);
        QVERIFY(!engine.setSpeakerEnabled(true));

        auto mark = recorder.reports.size();
        const int speakers = pulse.plug(u"sink"_s, u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, u"device.form_factor=internal"_s);
        QTest::qWait(1000);
        QCOMPARE(recorder.reports.mid(mark), QStringList());
        QCOMPARE(named.callState(), CallState::StreamsRunning);
        hangUpAll();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.mid(mark).contains(u"devices"_s), 1000);

        answerCallFrom2002();
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
        SandboxPulse::pactl({u"unload-module"_s, QString::number(speakers)});
        QTRY_VERIFY_WITH_TIMEOUT(recorder.reports.mid(mark).contains(u"devices"_s), 300);
        QTest::qWait(500);
        QCOMPARE(recorder.reports.mid(mark), QStringList({u"devices"_s}));
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
            {{u"u"_s, u"Jabra Evolve 20"_s, true, u"usb"_s, {}}, false, false},
            {{u"b"_s, u"WH-1000XM4"_s, true, u"bluetooth"_s, {}}, false, false},
            {{analog, builtIn, true, u"pci"_s, u"headset"_s}, false, false},
        };
        for (const auto &row : rows) {
            QVERIFY2(sip::isLoudspeaker(row.device) == row.loudspeaker && sip::isBuiltInOutput(row.device) == row.builtIn,
                     qPrintable(row.device.name + u' ' + row.device.formFactor));
        }
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "EngineTest.moc"
