#include "ModelHarness.h"

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

QList<CallHistoryItem> rows(int count)
{
    QList<CallHistoryItem> list;
    for (int i = 0; i < count; ++i)
        list.append({QUuid::createUuid(), QString::number(i), {double(-i)}, CallHistoryItem::Direction::missed, 3.5,
                     std::nullopt});
    return list;
}

VozelAudioDevice device(const QString &id, bool record, bool play, bool usb)
{
    return {id, id.toUpper(), record, play, usb};
}

} // namespace

class ModelHistoryPreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void historyIsCappedOnSave()
    {
        ModelHarness h;
        const auto stored = rows(250);
        h.defaults->setData(VozelModel::historyKey, CallHistoryItem::encodeList(stored));
        auto &model = h.start();
        QCOMPARE(model.history(), stored);

        h.engine->report(VozelCallState::incoming(u"2002"_s));
        QCOMPARE(model.history().size(), 200);
        QCOMPARE(model.history()[0].number, u"2002"_s);
        QCOMPARE(model.history()[199], stored[198]);
        const auto saved = CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey));
        QCOMPARE(saved, model.history());
    }

    void unreadableHistoryIsLeftUntilTheNextSave()
    {
        ModelHarness h;
        const QByteArray corrupt = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","number":"1","date":1,)"
                                   R"("duration":0,"direction":"declined"}])";
        h.defaults->setData(VozelModel::historyKey, corrupt);
        auto &model = h.start();
        QVERIFY(model.history().isEmpty());
        QVERIFY(model.errorMessage().isEmpty());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), corrupt);

        h.engine->report(VozelCallState::dialing(u"2002"_s));
        QCOMPARE(CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey)).size(), 1);
    }

    void deletingAndClearing()
    {
        ModelHarness h;
        h.defaults->setData(VozelModel::historyKey, CallHistoryItem::encodeList(rows(3)));
        auto &model = h.start();
        QSignalSpy changed(&model, &VozelModel::historyChanged);
        model.deleteHistoryItem(model.history()[1].idText().toLower());
        QCOMPARE(model.history().size(), 2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey)), model.history());

        // Clearing during a call removes the entry; the end of the call stores an empty list.
        h.engine->report(VozelCallState::dialing(u"2002"_s));
        model.clearHistory();
        QVERIFY(!h.defaults->contains(VozelModel::historyKey));
        h.engine->report(VozelCallState::dialing(u"2002"_s));
        QVERIFY(model.history().isEmpty());
        h.engine->report(VozelCallState::idle());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), QByteArray("[]"));
    }

    void deviceChoicesFallBackToUsbForTalkingAndBuiltInForRinging()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.engine->devices = {device(u"mic"_s, true, false, false), device(u"spk"_s, false, true, false),
                             device(u"usb"_s, true, true, true)};
        auto &model = h.start();
        QCOMPARE(model.microphoneDeviceID(), u"usb"_s);
        QCOMPARE(model.callOutputDeviceID(), u"usb"_s);
        QCOMPARE(model.ringerDeviceID(), u"spk"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::microphoneDeviceKey), u"usb"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::ringerDeviceKey), u"spk"_s);
        QCOMPARE(h.engine->selections.size(), 3);
        QCOMPARE(h.systemCalls->ringerDevice, u"SPK"_s); // the ring finds its output by name

        // Unplugging the headset moves talking to the built-in devices; present choices are re-applied.
        h.engine->devices = {device(u"mic"_s, true, false, false), device(u"spk"_s, false, true, false)};
        h.engine->selections.clear();
        QSignalSpy ringer(&model, &VozelModel::ringerDeviceIDChanged);
        h.engine->onAudioDevicesChanged();
        QCOMPARE(model.microphoneDeviceID(), u"mic"_s);
        QCOMPARE(model.callOutputDeviceID(), u"spk"_s);
        QCOMPARE(ringer.count(), 0);
        QVERIFY(h.engine->selections.contains(qMakePair(u"spk"_s, VozelAudioRoute::ringer)));
    }

    void onlyUsbOutputsAndNoDevices()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.defaults->setString(VozelModel::microphoneDeviceKey, u"gone"_s);
        h.engine->devices = {device(u"usb1"_s, false, true, true), device(u"usb2"_s, false, true, true)};
        auto &model = h.start();
        QCOMPARE(model.ringerDeviceID(), u"usb1"_s);
        // No microphone at all: the stored choice stays and is still handed to the engine.
        QCOMPARE(model.microphoneDeviceID(), u"gone"_s);
        QVERIFY(h.engine->selections.contains(qMakePair(u"gone"_s, VozelAudioRoute::microphone)));

        h.engine->devices.clear();
        h.engine->selections.clear();
        h.engine->onAudioDevicesChanged();
        QVERIFY(model.audioDevices().isEmpty());
        QVERIFY(h.engine->selections.isEmpty());
        QCOMPARE(model.ringerDeviceID(), u"usb1"_s);
    }

    void userChoicesAreStoredAndApplied()
    {
        ModelHarness h;
        auto &model = h.start();
        model.setCallOutputDevice(u"spk"_s);
        QCOMPARE(model.callOutputDeviceID(), u"spk"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::callOutputDeviceKey), u"spk"_s);
        QCOMPARE(h.engine->selections.last(), qMakePair(u"spk"_s, VozelAudioRoute::callOutput));
    }

    void launchAtLoginShowsTheRealState()
    {
        ModelHarness h;
        h.loginItem->enabled = true;
        auto &model = h.start();
        QVERIFY(model.launchAtLogin());
        model.setLaunchAtLogin(false);
        QVERIFY(!model.launchAtLogin());

        h.loginItem->failure = Failure(u"Permissão negada"_s);
        model.setLaunchAtLogin(true);
        QVERIFY(!model.launchAtLogin());
        QCOMPARE(model.errorMessage(), u"Não foi possível alterar a inicialização automática: Permissão negada"_s);
    }
};

QTEST_GUILESS_MAIN(ModelHistoryPreferencesTest)
#include "ModelHistoryPreferencesTest.moc"
