// Calls between the engine (extension 2001), a second liblinphone core (2002) and baresip (2003)
// through a real PBX.

#include "support/EngineRig.h"
#include "engine/CoreEvents.h"

#include <linphone++/call.hh>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

class CallsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineRig> m_rig;
    SipPeer *m_peer = nullptr;
    BaresipPeer *m_baresip = nullptr; // 2003, without a display name

    qsizetype m_waitingMark = 0;
    qsizetype m_busyAnswers = 0;

    EngineRecorder &recorder() { return m_rig->recorder; }
    PJSIPEngine &engine() { return m_rig->engine; }
    SipPeer &peer() { return *m_peer; }
    BaresipPeer &baresip() { return *m_baresip; }
    void connectIncomingCall() { m_rig->answerCallFrom(peer(), u"2002"_s); }

    // The engine's reports about calls (waiting ones too) since `mark`, without repeats in a row.
    QStringList callReportsSince(qsizetype mark) const
    {
        QStringList calls;
        for (const QString &report : m_rig->recorder.since(mark)) {
            const bool aboutCalls = report.startsWith(u"call "_s) || report.startsWith(u"waiting "_s)
                || report.startsWith(u"held "_s);
            if (aboutCalls && (calls.isEmpty() || calls.last() != report))
                calls << report;
        }
        return calls;
    }

    void registerOver(const QString &transport)
    {
        SIPAccount account = accountOn(m_rig->pbx);
        account.transport = transport;
        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().start(account); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"registration connected"_s), 5000);
    }

    qsizetype busyAnswers() const { return m_baresip->events().filter(u"CALL_CLOSED 486 "_s).size(); }

    // While 2002 (named) talks to the engine, baresip's 2003 (unnamed) calls: it waits without
    // touching the first call, and a third call is refused as busy at once.
    void waitBehindTheCallWith2002()
    {
        connectIncomingCall();
        m_busyAnswers = busyAnswers();
        m_waitingMark = recorder().reports.size();
        baresip().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"waiting 2003"_s, 5000);
        QCOMPARE(engine().remoteDisplayName(), std::nullopt);
        baresip().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(busyAnswers(), m_busyAnswers + 1, 5000);
        QCOMPARE(recorder().since(m_waitingMark), QStringList({u"waiting 2003"_s}));
        QCOMPARE(peer().callState(), CallState::StreamsRunning);
    }

private slots:
    void initTestCase()
    {
        m_rig = std::make_unique<EngineRig>();
        m_peer = &m_rig->addPeer(u"2002"_s, u"Ana Souza"_s);
        m_baresip = &m_rig->addBaresip(u"2003"_s);
        m_rig->start();
    }

    void cleanup() { m_rig->hangUpAll(); }

    void aBusyTargetEndsTheDialling()
    {
        peer().answerIncoming(SipPeer::Answer::busy);
        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().call(u"2002@127.0.0.1"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(callReportsSince(mark).contains(u"call idle"_s), 5000);
        QCOMPARE(callReportsSince(mark), QStringList({u"call dialing 2002"_s, u"call idle"_s}));
    }

    // Kamailio logs the request URI of every request it receives.
    void dialledTextsReachThePbxEscapedOrAreRefused()
    {
        QCOMPARE(failureOf([&] { engine().call(u"20 02"_s); }), std::optional(u"Endereço SIP inválido: sip:20 02@127.0.0.1"_s));
        QCOMPARE(failureOf([&] { engine().call(QString()); }), std::nullopt);
        QVERIFY(!peer().hasCall());
        for (const QString &code : {u"#"_s, u"*21*2003#"_s}) {
            const auto mark = recorder().reports.size();
            QCOMPARE(failureOf([&] { engine().call(code); }), std::nullopt);
            QTRY_COMPARE_WITH_TIMEOUT(callReportsSince(mark), QStringList({u"call dialing "_s + code, u"call idle"_s}), 5000);
        }
        connectIncomingCall();
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"#9"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(m_rig->pbx.log().contains(u"request INVITE sip:%239@"_s), 5000);
        const QString log = m_rig->pbx.log();
        QVERIFY2(log.contains(u"request INVITE sip:%23@"_s) && log.contains(u"request INVITE sip:*21*2003%23@"_s),
                 qPrintable(log));
    }

    void rejectingARingingCallReportsIdleAtOnceAndAgainForItsEvents()
    {
        const auto mark = recorder().reports.size();
        peer().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2002"_s, 5000);
        engine().endCall();
        QCOMPARE(recorder().since(mark).filter(u"call"_s), QStringList({u"call incoming 2002"_s, u"call idle"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(!peer().hasCall(), 5000);
        // The call's own End and Released follow, each reported idle again.
        QTRY_COMPARE_WITH_TIMEOUT(recorder().since(mark).filter(u"call"_s),
                                  QStringList({u"call incoming 2002"_s, u"call idle"_s, u"call idle"_s, u"call idle"_s}),
                                  5000);
    }

    void callsWithBaresipCarryTelephoneEvents_data()
    {
        QTest::addColumn<bool>("engineDials");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("engine calls, baresip hangs up")
            << true << QStringList({u"call dialing 2003"_s, u"call connected 2003"_s, u"call idle"_s});
        QTest::newRow("baresip calls, the engine hangs up")
            << false << QStringList({u"call incoming 2003"_s, u"call connected 2003"_s, u"call idle"_s});
    }

    void callsWithBaresipCarryTelephoneEvents()
    {
        QFETCH(bool, engineDials);
        const auto mark = recorder().reports.size();
        if (engineDials) {
            QCOMPARE(failureOf([&] { engine().call(u"2003"_s); }), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(baresip().events().contains(u"CALL_INCOMING"_s), 5000);
            baresip().accept();
        } else {
            baresip().dial(u"sip:2001@127.0.0.1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2003"_s, 5000);
            engine().answer();
        }
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2003"_s, 5000);
        QString digits = baresip().digits();
        for (const QString &digit : {u"7"_s, u"*"_s, u"#"_s}) {
            QCOMPARE(failureOf([&] { engine().sendDTMF(digit); }), std::nullopt);
            // Each digit lasts a moment on the wire; the next one waits for it.
            QTRY_COMPARE_WITH_TIMEOUT(baresip().digits(), digits + digit, 3000);
            digits += digit;
        }
        for (const QString &refused : {u"A"_s, u"d"_s, u"12"_s, QString()})
            QCOMPARE(failureOf([&] { engine().sendDTMF(refused); }), std::optional(sipUnavailableMessage));
        if (engineDials)
            baresip().hangUp();
        else
            engine().endCall();
        QTRY_COMPARE_WITH_TIMEOUT(callReportsSince(mark).last(), u"call idle"_s, 5000);
        QTest::qWait(300);
        QCOMPARE(baresip().digits(), digits);
        QTEST(callReportsSince(mark), "reports");
    }

    void anAnsweredWaitingCallHoldsTheFirstUntilItEnds_data()
    {
        QTest::addColumn<bool>("userHangsUp");
        QTest::newRow("2003 hangs up") << false;
        QTest::newRow("the user hangs up") << true;
    }

    void anAnsweredWaitingCallHoldsTheFirstUntilItEnds()
    {
        QFETCH(bool, userHangsUp);
        waitBehindTheCallWith2002();
        engine().answer();
        QTRY_COMPARE_WITH_TIMEOUT(peer().callState(), CallState::PausedByRemote, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2003"_s, 5000);
        if (userHangsUp)
            engine().endCall();
        else
            baresip().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(peer().callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
        const QStringList reports = recorder().since(m_waitingMark);
        QVERIFY2(reports.contains(u"held call back 2002"_s) && !reports.contains(u"call idle"_s),
                 qPrintable(reports.join(u", "_s)));
    }

    void whatBecomesOfAnUnansweredWaitingCall_data()
    {
        QTest::addColumn<QString>("act");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("declined: busy, and the first goes on") << u"decline"_s << QStringList({u"waiting 2003"_s});
        QTest::newRow("its caller gives up") << u"caller hangs up"_s
                                             << QStringList({u"waiting 2003"_s, u"waiting none"_s});
        QTest::newRow("the first ends: it rings as the one call")
            << u"first ends"_s << QStringList({u"waiting 2003"_s, u"call idle"_s, u"call incoming 2003"_s});
    }

    void whatBecomesOfAnUnansweredWaitingCall()
    {
        QFETCH(QString, act);
        QFETCH(QStringList, reports);
        waitBehindTheCallWith2002();
        if (act == "decline"_L1)
            engine().declineWaitingCall();
        else if (act == "caller hangs up"_L1)
            baresip().hangUp();
        else
            peer().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(callReportsSince(m_waitingMark), reports, 5000);
        QTest::qWait(300);
        QCOMPARE(callReportsSince(m_waitingMark), reports);
        if (act == "first ends"_L1) {
            engine().endCall();
            QTRY_COMPARE_WITH_TIMEOUT(baresip().events().last().section(u' ', 0, 0), u"CALL_CLOSED"_s, 5000);
            return;
        }
        QCOMPARE(peer().callState(), CallState::StreamsRunning);
        QCOMPARE(m_rig->calls(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(busyAnswers(), m_busyAnswers + 1 + int(act == "decline"_L1), 5000);
    }

    void renewingTheRegistrationKeepsTheCallGoing()
    {
        for (const QString &transport : {u"udp"_s, u"tcp"_s}) {
            registerOver(transport);
            connectIncomingCall();
            const auto mark = recorder().reports.size();
            engine().implementation().refreshRegistration();
            QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"registration connected"_s), 3000);
            QTest::qWait(1000);
            QVERIFY2(!recorder().since(mark).contains(u"call idle"_s), qPrintable(transport + recorder().since(mark).join(u", "_s)));
            QCOMPARE(peer().callState(), CallState::StreamsRunning);
            QCOMPARE(m_rig->calls(), 1);
            // Switching accounts ends the call, and its BYE reaches the other side over the
            // renewed connection.
            registerOver(u"udp"_s);
            QTRY_VERIFY_WITH_TIMEOUT(!peer().hasCall(), 5000);
        }
        QVERIFY(m_rig->pbx.log().contains(u"request REGISTER sip:127.0.0.1 over tcp"_s));
    }

    void withoutACallOrACoreOperationsRefuseOrReportIdle()
    {
        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().answer(); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine().sendDTMF(u"5"_s); }), std::optional(sipUnavailableMessage));
        QVERIFY(!engine().setMuted(true));
        engine().setAudioSessionActive(true);
        engine().endCall();
        QCOMPARE(recorder().since(mark), QStringList({u"call idle"_s}));

        PJSIPEngine stopped(testEnvironment(m_rig->pbx, m_rig->data));
        EngineRecorder stoppedRecorder(stopped);
        QCOMPARE(failureOf([&] { stopped.call(u"2002"_s); }), std::nullopt);
        QCOMPARE(failureOf([&] { stopped.answer(); }), std::optional(sipUnavailableMessage));
        QVERIFY(!stopped.setMuted(true));
        stopped.setAudioSessionActive(true);
        QCOMPARE(stoppedRecorder.reports, QStringList());
        QVERIFY(!peer().hasCall());
    }

    void callsListEmptyingWithoutAnEndEventIsReportedOnce()
    {
        connectIncomingCall();
        // The engine stops hearing the core, as if the call's end event never came.
        sip::EngineCore &core = engine().implementation();
        core.core()->removeListener(core.listener());
        const auto mark = recorder().reports.size();
        peer().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().since(mark), QStringList({u"transfer not ready"_s, u"call idle"_s}), 5000);
        QTest::qWait(300);
        QCOMPARE(recorder().since(mark), QStringList({u"transfer not ready"_s, u"call idle"_s}));
        core.core()->addListener(core.listener());
    }

    void cleanupTestCase() { m_rig.reset(); }
};

QTEST_GUILESS_MAIN(CallsTest)
#include "CallsTest.moc"
