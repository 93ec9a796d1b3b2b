#include "ModelHarness.h"

#include "model/DialString.h"
#include "model/domain/VozelError.h"

#include <QAbstractItemModelTester>

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
    // Every way a text becomes something that dials, row by row.
    void dialStrings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tone"); // empty: no tone, and typing it changes nothing
        QTest::addColumn<QString>("dialable");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("sipUser");
        QTest::newRow("star") << u"*"_s << u"*"_s << u"*"_s << QString() << u"*"_s;
        QTest::newRow("hash") << u"#"_s << u"#"_s << u"#"_s << QString() << u"%23"_s;
        QTest::newRow("plus") << u"+"_s << QString() << u"+"_s << QString() << u"+"_s;
        QTest::newRow("letter") << u"A"_s << QString() << QString() << QString() << u"A"_s;
        QTest::newRow("two keys") << u"12"_s << QString() << u"12"_s << u"12"_s << u"12"_s;
        QTest::newRow("other scripts") << u"٣٤ ½ １"_s << QString() << u"341"_s << u"341"_s
                                       << u"%D9%A3%D9%A4 %C2%BD %EF%BC%91"_s;
        QTest::newRow("pasted number") << u"Ligue: +55 (11) 98765-4321, ramal #12"_s << QString()
                                       << u"+5511987654321#12"_s << u"551198765432112"_s
                                       << u"Ligue%3A +55 (11) 98765-4321, ramal %2312"_s;
    }

    void dialStrings()
    {
        QFETCH(QString, text);
        QFETCH(QString, tone);
        QFETCH(QString, dialable);
        QFETCH(QString, extension);
        QFETCH(QString, sipUser);
        const auto toneOf = DialString::toneOf(text);
        QCOMPARE(toneOf ? QString(QChar::fromLatin1(*toneOf)) : QString(), tone);
        QCOMPARE(DialString::withKey(u"20"_s, text, 32), u"20"_s + tone);
        QCOMPARE(DialString::dialablePart(text, 32), dialable);
        QCOMPARE(DialString::extensionPart(text, 32), extension);
        QCOMPARE(DialString::sipUserPart(text), sipUser);
    }

    void dialStringLimitsCountCharacters()
    {
        const QString full(32, u'9');
        QCOMPARE(DialString::withKey(full, u"1"_s, 32), full);
        QCOMPARE(DialString::dialablePart(full + u"1"_s, 32), full);
        QCOMPARE(DialString::withoutLastCharacter(u"1𝟘"_s), u"1"_s);
        QCOMPARE(DialString::length(u"1𝟘"_s), 2);
    }

    // The call button dials only a number on a connected extension; during a call only tone keys act.
    void keysCallButtonAndTheEndOfACall()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        model.callOrHangUp();
        for (const auto &key : {u"2"_s, u"A"_s, u"5"_s})
            model.append(key);
        model.deleteDigit();
        QCOMPARE(model.number(), u"2"_s);
        model.pasteNumber(u"tel. 2002"_s);
        h.engine->report(RegistrationState::connecting());
        model.callOrHangUp();
        QCoreApplication::processEvents();
        QVERIFY(h.engine->operations.isEmpty());
        h.engine->report(RegistrationState::connected());
        model.callOrHangUp();
        QCoreApplication::processEvents();
        QCOMPARE(model.callState(), VozelCallState::dialing(u"2002"_s));
        model.append(u"5"_s);
        h.engine->report(VozelCallState::connected(u"2002"_s));
        model.append(u"A"_s);
        model.append(u"#"_s);
        QCOMPARE(h.engine->operations, (QStringList{u"call 2002"_s, u"dtmf #"_s}));
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
        model.callOrHangUp();
        QCOMPARE(h.engine->operations.last(), u"end"_s);
        QVERIFY(!model.muted() && !model.speakerEnabled() && !model.attendedTransferReady());
        QCOMPARE(number.count(), 1);
        QCOMPARE(h.systemCalls->events.last(), u"ended"_s);
        model.setNumber(u"77"_s);
        h.engine->report(VozelCallState::idle());
        QCOMPARE(model.number(), u"77"_s);
    }

    // A call that fails leaves no row, one that ends while it is placed stays ended, and one the engine
    // reports dialing itself gets one row.
    void placingACall()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        model.setNumber(u"2002"_s);
        h.engine->callFailure = VozelError::sipUnavailable();
        model.call();
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        QVERIFY(model.history().isEmpty());

        h.engine->callFailure.reset();
        h.engine->duringCall = [&] {
            h.engine->report(VozelCallState::dialing(u"2002"_s));
            h.engine->report(VozelCallState::idle());
        };
        model.call();
        QCOMPARE(model.callState(), VozelCallState::idle());
        QVERIFY(!model.activeHistoryID());

        h.engine->duringCall = [&] { h.engine->report(VozelCallState::dialing(u"2002"_s)); };
        model.setNumber(u"2002"_s);
        model.call();
        QCOMPARE(model.callState(), VozelCallState::dialing(u"2002"_s));
        QCOMPARE(model.history().size(), 2);
        QCOMPARE(model.activeHistoryID(), model.history()[0].id);
        QCOMPARE(model.history()[0].direction, CallHistoryItem::Direction::outgoing);
    }

    // However often the engine reports the ringing call it is looked up once; a lookup that finds
    // nothing says so, and one still running when the call ends is cancelled.
    void originLookup()
    {
        ModelHarness h;
        auto &model = connectedModel(h);
        h.engine->displayName = u"Ana"_s;
        h.originLookup->gate.held = true;
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        QCOMPARE(model.incomingCallerName(), u"Ana"_s);
        QCOMPARE(model.callSourceLabel(), u"Identificando origem…"_s);
        h.originLookup->gate.release();
        QCoreApplication::processEvents();
        QCOMPARE(h.systemCalls->events.last(), u"identity 2002|Ana|Origem não identificada"_s);
        QCOMPARE(model.callSourceLabel(), u"Origem não identificada"_s);
        QCOMPARE(model.history()[0].sourceLabelText(), QString());
        QCOMPARE(h.originLookup->tokens.size(), 1);

        h.engine->report(VozelCallState::idle());
        h.originLookup->label = u"Loja Sul"_s;
        h.engine->report(VozelCallState::incoming(u"2003"_s));
        h.engine->report(VozelCallState::idle());
        QVERIFY(h.originLookup->tokens[1].isCancelled());
        h.originLookup->gate.release();
        QCoreApplication::processEvents();
        QCOMPARE(model.callSourceLabel(), QString());
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
        QCOMPARE(model.callSourceLabel(), u"Loja Sul"_s);
        QCOMPARE(model.history()[0].sourceLabel, u"Loja Norte"_s);

        h.systemCalls->onEnd();
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.last(), u"decline waiting"_s);
        QCOMPARE(h.systemCalls->events.last(), u"waiting ended"_s);

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
        QCOMPARE(h.originLookup->tokens.size(), 4);
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
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        QVERIFY(!h.systemCalls->events.contains(u"answered"_s));
        h.engine->answerFailure.reset();
        h.systemCalls->onAnswer();
        QCOMPARE(h.engine->operations.count(u"answer"_s), 1);
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.count(u"answer"_s), 2);
        QCOMPARE(h.systemCalls->events.last(), u"answered"_s);

        h.engine->report(VozelCallState::connected(u"2002"_s));
        h.engine->audioControlsWork = false;
        model.toggleMute();
        model.toggleSpeaker();
        QCOMPARE(model.errorMessage(), u"Alto-falante indisponível."_s);
        QVERIFY(!model.muted() && !model.speakerEnabled());
        h.engine->transferFailure = VozelError::sipUnavailable();
        model.completeAttendedTransfer();
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        h.engine->onTransferFailed(u"Ramal ocupado ou indisponível."_s);
        QCOMPARE(model.errorMessage(), u"Ramal ocupado ou indisponível."_s);
        QVERIFY(!model.beginAttendedTransfer(u"2003"_s));
        QCOMPARE(model.errorMessage(), VozelError::sipUnavailable().description());
        h.systemCalls->onEnd();
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.last(), u"end"_s);
    }

    void historyRowsChangeOneAtATime()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        QList<CallHistoryItem> stored;
        for (int i = 0; i < 250; ++i)
            stored.append({QUuid::createUuid(), QString::number(i), {double(-i)}, CallHistoryItem::Direction::missed,
                           3.5, std::nullopt});
        h.defaults->setData(VozelModel::historyKey, CallHistoryItem::encodeList(stored));
        auto &model = h.start();
        QCOMPARE(model.history(), stored);
        CallHistoryModel &list = *model.historyModel();
        QAbstractItemModelTester tester(&list);
        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted), removed(&list, &QAbstractItemModel::rowsRemoved),
            changed(&list, &QAbstractItemModel::dataChanged), reset(&list, &QAbstractItemModel::modelReset);
        const auto rowsOf = [](const QSignalSpy &spy, int at) {
            return std::pair(spy.at(at).at(1).toInt(), spy.at(at).at(2).toInt());
        };

        h.originLookup->label = u"Loja Sul"_s;
        h.engine->report(VozelCallState::incoming(u"2002"_s));
        QCOMPARE(rowsOf(inserted, 0), std::pair(0, 0));
        QCOMPARE(rowsOf(removed, 0), std::pair(200, 250));
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);

        model.deleteHistoryItem(model.history()[1].idText().toLower());
        QCOMPARE(rowsOf(removed, 1), std::pair(1, 1));
        QCOMPARE(model.history().size(), 199);
        QCOMPARE(CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey)), model.history());
        QCOMPARE(reset.size(), 0);
    }

    void unreadableHistoryIsLeftUntilTheNextSave()
    {
        ModelHarness h;
        const QByteArray corrupt = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","number":"1","date":1,)"
                                   R"("duration":0,"direction":"declined"}])";
        h.defaults->setData(VozelModel::historyKey, corrupt);
        auto &model = h.start();
        QVERIFY(model.history().isEmpty());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), corrupt);

        h.engine->report(VozelCallState::dialing(u"2002"_s));
        QCOMPARE(CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey)).size(), 1);

        // Clearing during a call removes the entry; the end of the call stores an empty list.
        model.clearHistory();
        QVERIFY(!h.defaults->contains(VozelModel::historyKey));
        h.engine->report(VozelCallState::idle());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), QByteArray("[]"));
    }
};

QTEST_GUILESS_MAIN(ModelCallsTest)
#include "ModelCallsTest.moc"
