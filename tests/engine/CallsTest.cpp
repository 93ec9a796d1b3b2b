// Calls between the engine (extension 2001) and a second SIP core (2002) through a real PBX.

#include "support/EngineFixture.h"
#include "support/EngineRecorder.h"
#include "support/SipPeer.h"
#include "support/TestPbx.h"
#include "engine/CoreEvents.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <linphone++/call.hh>
#include <linphone++/core.hh>

#include <QTemporaryDir>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

class CallsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_data;
    std::unique_ptr<TestPbx> m_pbx;
    std::unique_ptr<PJSIPEngine> m_engine;
    std::unique_ptr<EngineRecorder> m_recorder;
    std::unique_ptr<SipPeer> m_peer;

    EngineRecorder &recorder() { return *m_recorder; }
    PJSIPEngine &engine() { return *m_engine; }
    SipPeer &peer() { return *m_peer; }

    // The engine's reports about calls since `mark`, without repeats in a row.
    QStringList callReportsSince(qsizetype mark) const
    {
        QStringList calls;
        for (const QString &report : m_recorder->since(mark).filter(u"call "_s)) {
            if (calls.isEmpty() || calls.last() != report)
                calls << report;
        }
        return calls;
    }

    void connectIncomingCall()
    {
        peer().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2002"_s, 5000);
        engine().answer();
        QTRY_COMPARE_WITH_TIMEOUT(peer().callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
    }

    void hangUpEverything()
    {
        for (const auto &call : peer().core()->getCalls())
            call->terminate();
        QTRY_VERIFY_WITH_TIMEOUT(!peer().hasCall(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(engine().implementation().core()->getCallsNb() == 0, 5000);
        QTest::qWait(100);
    }

private slots:
    void initTestCase()
    {
        m_pbx = std::make_unique<TestPbx>(pbxExtensions);
        QVERIFY2(m_pbx->isRunning(), qPrintable(m_pbx->log()));
        m_peer = std::make_unique<SipPeer>(*m_pbx, u"2002"_s, u"senha-2002"_s, u"Ana Souza"_s);
        m_engine = std::make_unique<PJSIPEngine>(testEnvironment(*m_pbx, m_data));
        m_recorder = std::make_unique<EngineRecorder>(*m_engine);
        QCOMPARE(finish(engine().start(accountOn(*m_pbx))), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(u"registration connected"_s), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(peer().isRegistered(), 5000);
    }

    void cleanup()
    {
        hangUpEverything();
        peer().answerIncoming(SipPeer::Answer::manually);
    }

    void outgoingCallIsReportedDialingConnectedIdle()
    {
        peer().answerIncoming(SipPeer::Answer::automatically);
        const auto mark = recorder().reports.size();
        QCOMPARE(finish(engine().call(u"2002"_s)), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
        QCOMPARE(peer().callers().last(), u"2001"_s);

        peer().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call idle"_s, 5000);
        QCOMPARE(callReportsSince(mark),
                 QStringList({u"call dialing 2002"_s, u"call connected 2002"_s, u"call idle"_s}));
    }

    void aBusyTargetEndsTheDialling()
    {
        peer().answerIncoming(SipPeer::Answer::busy);
        const auto mark = recorder().reports.size();
        QCOMPARE(finish(engine().call(u"2002@127.0.0.1"_s)), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(callReportsSince(mark).contains(u"call idle"_s), 5000);
        QCOMPARE(callReportsSince(mark), QStringList({u"call dialing 2002"_s, u"call idle"_s}));
    }

    void dialledTextTheStackCannotParseIsRefused()
    {
        const auto mark = recorder().reports.size();
        QCOMPARE(finish(engine().call(u"20 02"_s)), std::optional(u"Endereço SIP inválido: sip:20 02@127.0.0.1"_s));
        QCOMPARE(finish(engine().call(QString())), std::nullopt);
        QTest::qWait(200);
        QCOMPARE(recorder().since(mark), QStringList());
        QVERIFY(!peer().hasCall());
    }

    void incomingCallIsAnsweredAndEndedByTheUser()
    {
        const auto mark = recorder().reports.size();
        peer().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2002"_s, 5000);
        QCOMPARE(engine().remoteDisplayName(), std::optional(u"Ana Souza"_s));

        engine().answer();
        QTRY_COMPARE_WITH_TIMEOUT(peer().callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);

        engine().endCall();
        QCOMPARE(recorder().last(), u"call idle"_s);
        QTRY_VERIFY_WITH_TIMEOUT(peer().history().contains(CallState::End), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(engine().implementation().core()->getCallsNb() == 0, 5000);
        QCOMPARE(callReportsSince(mark),
                 QStringList({u"call incoming 2002"_s, u"call connected 2002"_s, u"call idle"_s}));
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

    void callerWithoutDisplayNameReplacesTheOlderName()
    {
        SipPeer anonymous(*m_pbx, u"2003"_s, u"senha-2003"_s);
        QTRY_VERIFY_WITH_TIMEOUT(anonymous.isRegistered(), 5000);
        peer().dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2002"_s, 5000);
        QCOMPARE(engine().remoteDisplayName(), std::optional(u"Ana Souza"_s));
        peer().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call idle"_s, 5000);

        anonymous.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2003"_s, 5000);
        QCOMPARE(engine().remoteDisplayName(), std::nullopt);
        anonymous.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!anonymous.hasCall(), 5000);
    }

    void theEndOfOneCallDoesNotHideAnotherThatRings()
    {
        SipPeer second(*m_pbx, u"2003"_s, u"senha-2003"_s);
        QTRY_VERIFY_WITH_TIMEOUT(second.isRegistered(), 5000);
        connectIncomingCall();
        second.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2003"_s, 5000);

        const auto mark = recorder().reports.size();
        peer().hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!peer().hasCall(), 5000);
        QTest::qWait(300);
        QCOMPARE(recorder().since(mark), QStringList());

        second.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call idle"_s, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!second.hasCall(), 5000);
    }

    void renewingTheRegistrationKeepsTheCallGoing()
    {
        connectIncomingCall();
        const auto mark = recorder().reports.size();
        engine().implementation().refreshRegistration();
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"registration connected"_s), 3000);
        QTest::qWait(500);
        QVERIFY2(!recorder().since(mark).contains(u"call idle"_s), qPrintable(recorder().since(mark).join(u", "_s)));
        QCOMPARE(peer().callState(), CallState::StreamsRunning);
        QCOMPARE(engine().implementation().core()->getCallsNb(), 1);
    }

    void dtmfTravelsAsTelephoneEvents()
    {
        connectIncomingCall();
        for (const QString &digit : {u"5"_s, u"*"_s, u"#"_s}) {
            QCOMPARE(failureOf([&] { engine().sendDTMF(digit); }), std::nullopt);
            // Each digit lasts a moment on the wire; the next one waits for it.
            QTRY_VERIFY_WITH_TIMEOUT(peer().digits().endsWith(digit), 3000);
        }
        for (const QString &refused : {u"A"_s, u"d"_s, u"12"_s, QString()})
            QCOMPARE(failureOf([&] { engine().sendDTMF(refused); }), std::optional(sipUnavailableMessage));
        QTest::qWait(500);
        QCOMPARE(peer().digits(), u"5*#"_s);
    }

    void muteIsReadBackFromTheCall()
    {
        connectIncomingCall();
        const auto call = engine().implementation().core()->getCurrentCall();
        QVERIFY(engine().setMuted(true));
        QVERIFY(call->getMicrophoneMuted());
        QVERIFY(engine().setMuted(false));
        QVERIFY(!call->getMicrophoneMuted());
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

        PJSIPEngine stopped(testEnvironment(*m_pbx, m_data));
        EngineRecorder stoppedRecorder(stopped);
        QCOMPARE(finish(stopped.call(u"2002"_s)), std::nullopt);
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

    void cleanupTestCase()
    {
        m_recorder.reset();
        m_engine.reset();
        m_peer.reset();
        m_pbx.reset();
    }
};

QTEST_GUILESS_MAIN(CallsTest)
#include "CallsTest.moc"
