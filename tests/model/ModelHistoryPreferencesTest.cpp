#include "ModelHarness.h"

#include <QAbstractItemModelTester>

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
    void historyRowsChangeOneAtATime()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        const auto stored = rows(250);
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
        QCOMPARE(list.data(list.index(0), CallHistoryModel::SourceLabelRole), u"Loja Sul"_s);
        QCOMPARE(model.history()[199], stored[198]);

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
        QVERIFY(model.errorMessage().isEmpty());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), corrupt);

        h.engine->report(VozelCallState::dialing(u"2002"_s));
        QCOMPARE(CallHistoryItem::decodeList(*h.defaults->dataValue(VozelModel::historyKey)).size(), 1);

        // Clearing during a call removes the entry; the end of the call stores an empty list.
        model.clearHistory();
        QVERIFY(!h.defaults->contains(VozelModel::historyKey));
        h.engine->report(VozelCallState::dialing(u"2002"_s));
        QVERIFY(model.history().isEmpty());
        h.engine->report(VozelCallState::idle());
        QCOMPARE(h.defaults->dataValue(VozelModel::historyKey), QByteArray("[]"));
    }

    // Talking prefers USB, ringing the built-in speakers (else the first output).
    void devicesAndStartAtLogin()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.defaults->setString(VozelModel::microphoneDeviceKey, u"gone"_s);
        h.engine->devices = {device(u"usb1"_s, false, true, true), device(u"usb2"_s, false, true, true)};
        h.loginItem->enabled = true;
        auto &model = h.start();
        QCOMPARE(model.ringerDeviceID(), u"usb1"_s);
        QCOMPARE(model.microphoneDeviceID(), u"gone"_s);
        QVERIFY(h.engine->selections.contains(qMakePair(u"gone"_s, VozelAudioRoute::microphone)));
        const auto plug = [&](const QList<VozelAudioDevice> &devices) {
            h.engine->devices = devices;
            h.engine->selections.clear();
            h.engine->onAudioDevicesChanged();
        };

        const auto mic = device(u"mic"_s, true, false, false), spk = device(u"spk"_s, false, true, false);
        plug({mic, spk, device(u"usb"_s, true, true, true)});
        QCOMPARE(model.microphoneDeviceID(), u"usb"_s);
        QCOMPARE(model.callOutputDeviceID(), u"usb"_s);
        QCOMPARE(model.ringerDeviceID(), u"spk"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::ringerDeviceKey), u"spk"_s);
        QCOMPARE(h.engine->selections.size(), 3);
        QCOMPARE(h.systemCalls->ringerDevice, u"SPK"_s); // the ring finds its output by name

        QSignalSpy ringer(&model, &VozelModel::ringerDeviceIDChanged);
        plug({mic, spk});
        QCOMPARE(model.microphoneDeviceID(), u"mic"_s);
        QCOMPARE(model.callOutputDeviceID(), u"spk"_s);
        QCOMPARE(ringer.count(), 0);
        QVERIFY(h.engine->selections.contains(qMakePair(u"spk"_s, VozelAudioRoute::ringer)));
        model.setCallOutputDevice(u"usb"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::callOutputDeviceKey), u"usb"_s);
        QCOMPARE(h.engine->selections.last(), qMakePair(u"usb"_s, VozelAudioRoute::callOutput));

        plug({});
        QVERIFY(model.audioDevices().isEmpty());
        QVERIFY(h.engine->selections.isEmpty());
        QCOMPARE(model.ringerDeviceID(), u"spk"_s);

        // Start at login shows the login item's own state.
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
