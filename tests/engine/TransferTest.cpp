// Attended transfer with three parties on the test PBX: the engine as 2001, peers 2002 and 2003.

#include "support/EngineRig.h"

#include <QProcess>

#include <linphone++/address.hh>
#include <linphone++/call.hh>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

namespace {

const QString targetUnavailable = u"transfer failed: Ramal ocupado ou indisponível."_s;
const QString transferRefused = u"transfer failed: Não foi possível transferir a chamada."_s;

QString remoteUser(const std::shared_ptr<linphone::Call> &call)
{
    return call && call->getRemoteAddress() ? QString::fromStdString(call->getRemoteAddress()->getUsername())
                                             : QString();
}

} // namespace

class TransferTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineRig> m_rig;
    SipPeer *m_held = nullptr;
    SipPeer *m_target = nullptr;

    PJSIPEngine &engine() { return m_rig->engine; }
    EngineRecorder &recorder() { return m_rig->recorder; }
    SipPeer &held() { return *m_held; }
    SipPeer &target() { return *m_target; }
    int engineCalls() { return m_rig->calls(); }
    void talkTo2002() { m_rig->answerCallFrom(held(), u"2002"_s); }

    void beginTransferTo2003()
    {
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"2003"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(held().callState(), CallState::PausedByRemote, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(u"call dialing 2003"_s), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target().callState(), CallState::IncomingReceived, 5000);
    }

private slots:
    void initTestCase()
    {
        m_rig = std::make_unique<EngineRig>();
        m_held = &m_rig->addPeer(u"2002"_s);
        m_target = &m_rig->addPeer(u"2003"_s);
        m_rig->start();
    }

    void init() { recorder().reports.clear(); }
    void cleanup() { m_rig->hangUpAll(); }

    void completionHandsTheHeldPartyToTheTarget()
    {
        talkTo2002();
        beginTransferTo2003();
        QCOMPARE(target().callers().last(), u"2001"_s);
        QVERIFY(!recorder().contains(u"transfer ready"_s));

        target().accept();
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(u"transfer ready"_s), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2003"_s, 5000);

        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().completeAttendedTransfer(); }), std::nullopt);
        QCOMPARE(recorder().since(mark), QStringList({u"transfer not ready"_s}));

        // 2002 and 2003 talk to each other; 2001 is out of both calls.
        QTRY_VERIFY_WITH_TIMEOUT(engineCalls() == 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call idle"_s, 5000);
        const auto talking = [](SipPeer &peer) {
            const auto call = peer.core()->getCurrentCall();
            return call && call->getState() == CallState::StreamsRunning ? remoteUser(call) : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(talking(held()), u"2003"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(talking(target()), u"2002"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(held().core()->getCallsNb(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(target().core()->getCallsNb(), 1, 5000);
        QCOMPARE(recorder().count(u"transfer ready"_s), 2);
        QVERIFY(!recorder().reports.filter(u"transfer failed"_s).size());
    }

    void aBusyTargetGivesTheHeldCallBack()
    {
        talkTo2002();
        target().answerIncoming(SipPeer::Answer::busy);
        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"2003@127.0.0.1"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(targetUnavailable), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(held().callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
        QTest::qWait(300);

        const QStringList reports = recorder().since(mark);
        QCOMPARE(reports.first(), u"transfer not ready"_s);
        QVERIFY(reports.contains(u"call dialing 2003"_s));
        const auto failedAt = reports.indexOf(targetUnavailable);
        QCOMPARE(reports.at(failedAt - 1), u"transfer not ready"_s);
        QCOMPARE(reports.at(failedAt + 1), u"call connected 2002"_s);
        QVERIFY2(!reports.contains(u"call idle"_s), qPrintable(reports.join(u", "_s)));
        QCOMPARE(recorder().count(targetUnavailable), 1);
        QCOMPARE(engineCalls(), 1);
        QCOMPARE(failureOf([&] { engine().completeAttendedTransfer(); }), std::optional(sipUnavailableMessage));
    }

    // A held party that refuses to be transferred: sipp, calling as 2002, answers the REFER
    // with 603 Decline.
    void aRefusedTransferGivesTheHeldPartyBack()
    {
        QProcess sipp;
        sipp.setProcessChannelMode(QProcess::MergedChannels);
        sipp.start(u"sipp"_s, {m_rig->pbx.host() + u':' + QString::number(m_rig->pbx.port()), u"-sf"_s,
                               QStringLiteral(VOZEL_REFUSING_PEER), u"-i"_s, u"127.0.0.1"_s, u"-p"_s,
                               QString::number(TestPbx::freePort()), u"-m"_s, u"1"_s, u"-nostdin"_s,
                               u"-timeout"_s, u"30s"_s});
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call incoming 2002"_s, 5000);
        engine().answer();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
        target().answerIncoming(SipPeer::Answer::automatically);
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"2003"_s); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(u"transfer ready"_s), 5000);

        const auto mark = recorder().reports.size();
        QCOMPARE(failureOf([&] { engine().completeAttendedTransfer(); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().since(mark),
                                  QStringList({u"transfer not ready"_s, transferRefused, u"call connected 2002"_s}), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!target().hasCall(), 5000);
        engine().endCall();
        QVERIFY2(sipp.waitForFinished(5000) && sipp.exitCode() == 0, sipp.readAll().constData());
    }

    void endingTheRingingConsultationReturnsToTheHeldParty()
    {
        talkTo2002();
        beginTransferTo2003();

        const auto mark = recorder().reports.size();
        engine().endCall();
        QCOMPARE(recorder().since(mark), QStringList({u"call idle"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(held().callState(), CallState::StreamsRunning, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!target().hasCall(), 5000);
        QTest::qWait(300);

        const QStringList reports = recorder().since(mark);
        QCOMPARE(reports.mid(0, 4), QStringList({u"call idle"_s, u"transfer not ready"_s, targetUnavailable,
                                                 u"call connected 2002"_s}));
        for (const QString &report : reports.mid(4))
            QCOMPARE(report, u"call connected 2002"_s);
        QCOMPARE(engineCalls(), 1);
    }

    void aTargetHangingUpBeforeCompletionReturnsWithoutComplaint()
    {
        talkTo2002();
        beginTransferTo2003();
        target().accept();
        QTRY_VERIFY_WITH_TIMEOUT(recorder().contains(u"transfer ready"_s), 5000);

        const auto mark = recorder().reports.size();
        target().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(held().callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
        QCOMPARE(recorder().since(mark).mid(0, 2), QStringList({u"transfer not ready"_s, u"call connected 2002"_s}));
        QVERIFY(recorder().reports.filter(u"transfer failed"_s).isEmpty());
        QVERIFY(!recorder().since(mark).contains(u"call idle"_s));
    }

    void theHeldPartyHangingUpLeavesTheConsultationOnScreen()
    {
        talkTo2002();
        beginTransferTo2003();
        target().accept();
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2003"_s, 5000);

        const auto mark = recorder().reports.size();
        held().hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!held().hasCall(), 5000);
        QTest::qWait(300);
        QCOMPARE(recorder().since(mark), QStringList());
        QCOMPARE(target().callState(), CallState::StreamsRunning);
    }

    void withoutACallOrATransferNothingHappens()
    {
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"2003"_s); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine().completeAttendedTransfer(); }), std::optional(sipUnavailableMessage));

        talkTo2002();
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(QString()); }), std::optional(sipUnavailableMessage));
        QCOMPARE(failureOf([&] { engine().beginAttendedTransfer(u"20 03"_s); }),
                 std::optional(u"Endereço SIP inválido: sip:20 03@127.0.0.1"_s));
        QTest::qWait(300);
        QCOMPARE(held().callState(), CallState::StreamsRunning);
        QVERIFY(!target().hasCall());
        QCOMPARE(recorder().reports.filter(u"transfer"_s), QStringList());
    }

    void cleanupTestCase() { m_rig.reset(); }
};

QTEST_GUILESS_MAIN(TransferTest)
#include "TransferTest.moc"
