#include "ModelHarness.h"

#include "model/domain/VozelError.h"

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

class ModelCallsTest : public QObject {
    Q_OBJECT

    static VozelModel &connectedModel(ModelHarness &h)
    {
        h.storeTwoAccounts();
        auto &model = h.start();
        h.engine->report(RegistrationState::connected());
        h.engine->operations.clear();
        return model;
    }

private slots:
    void keysAndTheEndOfACall()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        for (const auto &key : {u"2"_s, u"A"_s, u"5"_s})
            model.append(key);
        model.deleteDigit();
        model.append(u"0"_s);
        QCOMPARE(model.number(), u"20"_s);
        model.pasteNumber(u"tel. 2002"_s);
        h.engine->report(VozelCallState::dialing(u"2002"_s));
        model.append(u"5"_s);
        QCOMPARE(model.number(), u"20025"_s);
        h.engine->report(VozelCallState::connected(u"2002"_s));
        model.append(u"A"_s);
        model.append(u"#"_s);
        QCOMPARE(h.engine->operations, QStringList{u"dtmf #"_s});
        QCOMPARE(model.number(), u"20025"_s);
        h.engine->dtmfFailure = VozelError::sipUnavailable();
        model.append(u"1"_s);
        QCOMPARE(model.errorMessage(), u"Não foi possível enviar o tom para a URA."_s);

        // The end of the call clears what belonged to it; idle again while idle keeps what was typed.
        model.toggleMute();
        model.toggleSpeaker();
        h.engine->onAttendedTransferChanged(true);
        QVERIFY(model.muted() && model.speakerEnabled() && model.attendedTransferReady());
        QSignalSpy number(&model, &VozelModel::numberChanged);
        h.engine->report(VozelCallState::idle());
        QVERIFY(!model.muted() && !model.speakerEnabled() && !model.attendedTransferReady());
        QCOMPARE(number.count(), 1);
        QCOMPARE(h.systemCalls->events.last(), u"ended"_s);
        model.setNumber(u"77"_s);
        h.engine->report(VozelCallState::idle());
        QCOMPARE(model.number(), u"77"_s);
    }

    // The call button dials only a number on a connected extension, and hangs up a call.
    void callButton()
    {
        ModelHarness h;
        h.start().setNumber(u"2002"_s);
        h.model->callOrHangUp();
        ModelHarness h2;
        auto &model = connectedModel(h2);
        model.callOrHangUp();
        QCoreApplication::processEvents();
        QVERIFY(h.engine->operations.isEmpty() && h2.engine->operations.isEmpty());
        model.setNumber(u"2002"_s);
        model.callOrHangUp();
        QCoreApplication::processEvents();
        QCOMPARE(h2.engine->operations, QStringList{u"call 2002"_s});
        QCOMPARE(model.callState(), VozelCallState::dialing(u"2002"_s));
        model.callOrHangUp();
        QCOMPARE(h2.engine->operations.last(), u"end"_s);
        QCOMPARE(model.callState(), VozelCallState::idle());
    }

    void placingACall_data()
    {
        QTest::addColumn<QString>("meanwhile"); // what the engine does while it places the call
        QTest::addColumn<bool>("dialing");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("error");
        QTest::newRow("reports dialing") << u"dialing"_s << true << 1 << QString();
        QTest::newRow("ends while placed") << u"dialing idle"_s << false << 1 << QString();
        QTest::newRow("fails") << u"fail"_s << false << 0 << VozelError::sipUnavailable().description();
    }

    void placingACall()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, dialing);
        QFETCH(int, rows);
        QFETCH(QString, error);
        ModelHarness h;
        auto &model = connectedModel(h);
        model.setNumber(u"2002"_s);
        h.engine->duringCall = [&] {
            if (meanwhile.startsWith("dialing"_L1))
                h.engine->report(VozelCallState::dialing(u"2002"_s));
            if (meanwhile.endsWith("idle"_L1))
                h.engine->report(VozelCallState::idle());
        };
        if (meanwhile == "fail"_L1)
            h.engine->callFailure = VozelError::sipUnavailable();
        model.call();
        QCOMPARE(model.callState(), dialing ? VozelCallState::dialing(u"2002"_s) : VozelCallState::idle());
        QCOMPARE(model.history().size(), rows);
        QCOMPARE(model.errorMessage(), error);
        QCOMPARE(bool(model.activeHistoryID()), dialing);
        if (rows)
            QCOMPARE(model.history()[0].direction, CallHistoryItem::Direction::outgoing);
    }

    // However often the engine reports the ringing call, it is looked up once.
    void originLookup_data()
    {
        QTest::addColumn<QString>("label"); // the lookup's answer, empty for none
        QTest::addColumn<bool>("endsFirst");
        QTest::addColumn<QString>("shown");
        QTest::newRow("found") << u"Loja Sul"_s << false << u"Loja Sul"_s;
        QTest::newRow("not found") << QString() << false << u"Origem não identificada"_s;
        QTest::newRow("after the end") << u"Loja Sul"_s << true << QString();
    }

    void originLookup()
    {
        QFETCH(QString, label);
        QFETCH(bool, endsFirst);
        QFETCH(QString, shown);
        ModelHarness h;
        auto &model = connectedModel(h);
        h.engine->displayName = u"Ana"_s;
        if (!label.isEmpty())
            h.originLookup->label = label;
        h.originLookup->gate.held = true;
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        QCOMPARE(model.incomingCallerName(), u"Ana"_s);
        QCOMPARE(model.callSourceLabel(), u"Identificando origem…"_s);
        if (endsFirst)
            h.engine->report(VozelCallState::idle());
        QCOMPARE(h.originLookup->tokens[0].isCancelled(), endsFirst);
        h.originLookup->gate.release();
        QCoreApplication::processEvents();
        QCOMPARE(model.callSourceLabel(), shown);
        QCOMPARE(h.originLookup->callers.size(), 1);
        QCOMPARE(h.systemCalls->events.last(), endsFirst ? u"ended"_s : u"identity 2002|Ana|"_s + shown);
        QCOMPARE(model.history().size(), 1);
        QCOMPARE(model.history()[0].sourceLabelText(), endsFirst ? QString() : label);
    }

    // Declined it stays in the history; answered it swaps places with the held call until that
    // one is back; when the first call ends it rings on as the one call.
    void aWaitingCallHasItsOwnIdentity()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        h.originLookup->label = u"Loja Sul"_s;
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        h.engine->report(VozelCallState::connected(u"2002"_s));
        h.engine->displayName = u"Bia"_s;
        h.originLookup->label = u"Loja Norte"_s;
        const auto waits = [&] {
            h.systemCalls->events.clear();
            h.engine->onWaitingCallChanged(u"2003"_s);
        };
        waits();
        QCOMPARE(h.systemCalls->events, QStringList({u"waiting 2003"_s, u"identity 2003|Bia|Identificando origem…"_s,
                                                     u"identity 2003|Bia|Loja Norte"_s}));
        QCOMPARE(model.callState(), VozelCallState::connected(u"2002"_s));
        QCOMPARE(model.callSourceLabel(), u"Loja Sul"_s);
        QCOMPARE(model.history()[0].sourceLabel, u"Loja Norte"_s);

        h.systemCalls->onEnd();
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.last(), u"decline waiting"_s);
        QCOMPARE(h.systemCalls->events.last(), u"waiting ended"_s);
        QCOMPARE(model.callState(), VozelCallState::connected(u"2002"_s));

        model.toggleMute();
        waits();
        model.answerIncomingCall();
        QVERIFY(!model.muted());
        QCOMPARE(model.callSourceLabel(), u"Loja Norte"_s);
        QCOMPARE(model.incomingCallerName(), u"Bia"_s);
        h.engine->report(VozelCallState::connected(u"2003"_s));
        h.engine->onHeldCallResumed(u"2002"_s);
        QCOMPARE(model.callState(), VozelCallState::connected(u"2002"_s));
        QCOMPARE(model.callSourceLabel(), u"Loja Sul"_s);
        QVERIFY(model.muted());
        QCOMPARE(model.activeHistoryID(), model.history()[2].id);

        waits();
        h.engine->report(VozelCallState::idle());
        h.engine->report(VozelCallState::incoming(u"2003"_s));
        QCOMPARE(model.callSourceLabel(), u"Loja Norte"_s);
        QCOMPARE(model.activeHistoryID(), model.history()[0].id);
        QCOMPARE(model.history().size(), 4);
        QCOMPARE(h.originLookup->callers.size(), 4);
        QCOMPARE(h.systemCalls->events.last(), u"identity 2003|Bia|Loja Norte"_s);
    }

    // The alert manager's buttons act from the event loop.
    void failuresAndAlertManagerActions()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        h.engine->answerFailure = VozelError::sipUnavailable();
        model.answerIncomingCall();
        QCOMPARE(model.errorMessage(), u"O motor SIP ainda não foi incorporado a esta compilação."_s);
        QVERIFY(!h.systemCalls->events.contains(u"answered"_s));
        h.engine->answerFailure.reset();
        h.systemCalls->onAnswer();
        QCOMPARE(h.engine->operations.count(u"answer"_s), 1);
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.count(u"answer"_s), 2);
        QCOMPARE(h.systemCalls->events.last(), u"answered"_s);

        h.connectCallTo(u"2002"_s);
        h.engine->muteWorks = h.engine->speakerWorks = false;
        model.toggleMute();
        QCOMPARE(model.errorMessage(), u"Microfone indisponível."_s);
        model.toggleSpeaker();
        QCOMPARE(model.errorMessage(), u"Alto-falante indisponível."_s);
        QVERIFY(!model.muted() && !model.speakerEnabled());
        QVERIFY(model.beginAttendedTransfer(u"2003"_s));
        h.engine->transferFailure = VozelError::sipUnavailable();
        QVERIFY(!model.beginAttendedTransfer(u"2003"_s));
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        model.setErrorMessage(QString());
        model.completeAttendedTransfer();
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        h.engine->onTransferFailed(u"Ramal ocupado ou indisponível."_s);
        QCOMPARE(model.errorMessage(), u"Ramal ocupado ou indisponível."_s);
        h.systemCalls->onEnd();
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.last(), u"end"_s);
    }
};

QTEST_GUILESS_MAIN(ModelCallsTest)
#include "ModelCallsTest.moc"
