// Sound devices against a PulseAudio server with null sinks and sources: a USB headset told by
// its name, two identical headsets and built-in speakers told only by the server's properties.

#include "support/EngineRig.h"
#include "support/TestPulse.h"

#include <linphone++/audio_device.hh>

#include <QElapsedTimer>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

namespace {

const QString twinHeadset = u"Jabra Evolve 20 MS Mono"_s;
const QStringList onUsb{u"device.bus=usb"_s};

QString idOf(const std::shared_ptr<const linphone::AudioDevice> &device)
{
    return device ? QString::fromStdString(device->getId()) : QString();
}

} // namespace

class AudioDevicesTest : public QObject {
    Q_OBJECT

    // Made first: the server must be up before any SIP core exists.
    std::unique_ptr<TestPulse> m_pulse;
    std::unique_ptr<EngineRig> m_rig;
    SipPeer *m_peer = nullptr;
    QList<int> m_pluggedIn;

    PJSIPEngine &engine() { return m_rig->engine; }
    linphone::Core &core() { return m_rig->core(); }
    EngineRecorder &recorder() { return m_rig->recorder; }

    // What the core uses for the microphone, for calls and for ringing, by the stack's ids.
    QStringList choices()
    {
        return {idOf(core().getDefaultInputAudioDevice()), idOf(core().getDefaultOutputAudioDevice()),
                QString::fromStdString(core().getRingerDevice())};
    }

    QStringList deviceIds()
    {
        QStringList ids;
        for (const VozelAudioDevice &device : engine().audioDevices())
            ids << device.id;
        return ids;
    }

    void connectCall()
    {
        m_peer->answerIncoming(SipPeer::Answer::automatically);
        QCOMPARE(failureOf([&] { engine().call(u"2002"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder().last(), u"call connected 2002"_s, 5000);
    }

    // Plugs a sink in and checks that the engine reports it once, within 300 ms.
    int plugIn(const QString &name, const QString &description, const QStringList &properties)
    {
        const auto mark = recorder().reports.size();
        QElapsedTimer clock;
        clock.start();
        const int module = m_pulse->addSink(name, description, properties);
        if (module >= 0)
            m_pluggedIn << module;
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 300);
            QVERIFY(deviceIds().contains(name));
            QTest::qWait(500);
            QCOMPARE(recorder().since(mark).count(u"devices"_s), 1);
        }();
        return module;
    }

    void unplug(int module)
    {
        m_pluggedIn.removeOne(module);
        const auto mark = recorder().reports.size();
        QVERIFY(m_pulse->unload(module));
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 300);
        QTest::qWait(500);
        QCOMPARE(recorder().since(mark).count(u"devices"_s), 1);
    }

private slots:
    void initTestCase()
    {
        m_pulse = std::make_unique<TestPulse>();
        QVERIFY(m_pulse->isRunning());
        QVERIFY(m_pulse->addSink(u"usb_headset"_s, u"USB Headset"_s) >= 0);
        QVERIFY(m_pulse->addSource(u"usb_headset_mic"_s, u"USB Headset Microphone"_s) >= 0);
        QVERIFY(m_pulse->addSource(u"builtin_mic"_s, u"Built-in Microphone"_s) >= 0);
        QVERIFY(m_pulse->addSink(u"headphones"_s, u"Fones de ouvido"_s) >= 0);
        QVERIFY(m_pulse->addSink(u"headset_a"_s, twinHeadset, onUsb) >= 0);
        QVERIFY(m_pulse->addSink(u"headset_b"_s, twinHeadset, onUsb) >= 0);

        m_rig = std::make_unique<EngineRig>();
        m_peer = &m_rig->addPeer(u"2002"_s);
        QVERIFY(engine().audioDevices().isEmpty());
        m_rig->start();
    }

    void cleanup()
    {
        for (const int module : std::exchange(m_pluggedIn, {}))
            m_pulse->unload(module);
        m_rig->hangUpAll();
    }

    void listsEveryDeviceByTheServersNameWithItsCapabilitiesAndUsbMark()
    {
        QCOMPARE(recorder().count(u"devices"_s), 1);
        const QList<VozelAudioDevice> devices = engine().audioDevices();
        const auto find = [&](const QString &id) {
            const auto found = std::find_if(devices.begin(), devices.end(),
                                            [&](const VozelAudioDevice &device) { return device.id == id; });
            return found == devices.end() ? VozelAudioDevice{} : *found;
        };
        QCOMPARE(find(u"usb_headset"_s), (VozelAudioDevice{u"usb_headset"_s, u"USB Headset"_s, false, true, true}));
        QCOMPARE(find(u"usb_headset_mic"_s),
                 (VozelAudioDevice{u"usb_headset_mic"_s, u"USB Headset Microphone"_s, true, false, true}));
        QCOMPARE(find(u"builtin_mic"_s),
                 (VozelAudioDevice{u"builtin_mic"_s, u"Built-in Microphone"_s, true, false, false}));
        QCOMPARE(find(u"headphones"_s), (VozelAudioDevice{u"headphones"_s, u"Fones de ouvido"_s, false, true, false}));
        QCOMPARE(find(u"headset_a"_s), (VozelAudioDevice{u"headset_a"_s, twinHeadset, false, true, true}));
        QCOMPARE(find(u"headset_b"_s), (VozelAudioDevice{u"headset_b"_s, twinHeadset, false, true, true}));
    }

    void eachRoleTakesItsOwnDevice()
    {
        engine().selectAudioDevice(u"builtin_mic"_s, VozelAudioRoute::microphone);
        engine().selectAudioDevice(u"headset_b"_s, VozelAudioRoute::callOutput);
        engine().selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        const QStringList chosen{u"PulseAudio Unknown: Built-in Microphone"_s, u"PulseAudio Unknown: "_s + twinHeadset,
                                 u"PulseAudio Unknown: Fones de ouvido"_s};
        QCOMPARE(choices(), chosen);

        engine().selectAudioDevice(u"nao_existe"_s, VozelAudioRoute::callOutput);
        engine().selectAudioDevice(u"HEADPHONES"_s, VozelAudioRoute::ringer);
        QCOMPARE(choices(), chosen);
    }

    void withoutALoudspeakerTheSwitchFailsAndSwitchingBackKeepsTheOutput()
    {
        engine().selectAudioDevice(u"headphones"_s, VozelAudioRoute::callOutput);
        connectCall();
        QCOMPARE(idOf(core().getOutputAudioDevice()), u"PulseAudio Unknown: Fones de ouvido"_s);
        engine().selectAudioDevice(u"usb_headset"_s, VozelAudioRoute::callOutput);
        QCOMPARE(idOf(core().getOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);

        QVERIFY(!engine().setSpeakerEnabled(true));
        QVERIFY(engine().setSpeakerEnabled(false));
        QCOMPARE(idOf(core().getOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);
    }

    // The stack knows both by the same description; the call still moves to the one chosen.
    // (The peer's stream belongs to this process too, and moves along.)
    void twinHeadsetsStayApartInACall()
    {
        const auto playsOnlyOn = [this](const QString &chosen, const QString &twin) {
            const QStringList sinks = m_pulse->playingSinks();
            return sinks.contains(chosen) && !sinks.contains(twin);
        };
        connectCall();
        engine().selectAudioDevice(u"headset_b"_s, VozelAudioRoute::callOutput);
        QTRY_VERIFY_WITH_TIMEOUT(playsOnlyOn(u"headset_b"_s, u"headset_a"_s), 3000);
        engine().selectAudioDevice(u"headset_a"_s, VozelAudioRoute::callOutput);
        QTRY_VERIFY_WITH_TIMEOUT(playsOnlyOn(u"headset_a"_s, u"headset_b"_s), 3000);
    }

    // The speakers of an ordinary desktop are called "Built-in Audio Analog Stereo": only the
    // server's form factor says what they are.
    void builtInSpeakersArriveAtOnceAndTakeTheCallAndGiveItBack()
    {
        const int module = plugIn(u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, {u"device.form_factor=internal"_s});
        engine().selectAudioDevice(u"usb_headset"_s, VozelAudioRoute::callOutput);
        connectCall();

        QVERIFY(engine().setSpeakerEnabled(true));
        QCOMPARE(idOf(core().getOutputAudioDevice()), u"PulseAudio Unknown: Built-in Audio Analog Stereo"_s);
        QCOMPARE(idOf(core().getDefaultOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse->playingSinks().contains(u"sink_7"_s), 3000);
        QVERIFY(engine().setSpeakerEnabled(false));
        QCOMPARE(idOf(core().getOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!m_pulse->playingSinks().contains(u"sink_7"_s), 3000);
        m_rig->hangUpAll();
        unplug(module);
        QVERIFY(!deviceIds().contains(u"sink_7"_s));
    }

    void devicesArrivingUnderACallAreReportedWhenItEnds()
    {
        connectCall();
        const auto mark = recorder().reports.size();
        m_pluggedIn << m_pulse->addSink(u"dock"_s, u"Dock"_s, onUsb);
        QTest::qWait(1000);
        QCOMPARE(recorder().since(mark).filter(u"devices"_s), QStringList());
        QCOMPARE(m_peer->callState(), CallState::StreamsRunning);

        m_rig->hangUpAll();
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 1000);
        QVERIFY(deviceIds().contains(u"dock"_s));
        engine().selectAudioDevice(u"dock"_s, VozelAudioRoute::callOutput);
        QCOMPARE(idOf(core().getDefaultOutputAudioDevice()), u"PulseAudio Unknown: Dock"_s);
    }

    void withoutACoreThereIsNothingToChoose()
    {
        PJSIPEngine stopped(testEnvironment(m_rig->pbx, m_rig->data));
        QCOMPARE(stopped.audioDevices(), QList<VozelAudioDevice>());
        stopped.selectAudioDevice(u"headphones"_s, VozelAudioRoute::ringer);
        QVERIFY(!stopped.setSpeakerEnabled(true));
        QVERIFY(!stopped.setSpeakerEnabled(false));
    }

    void cleanupTestCase()
    {
        m_rig.reset();
        m_pulse.reset();
    }
};

QTEST_GUILESS_MAIN(AudioDevicesTest)
#include "AudioDevicesTest.moc"
