// Sound devices against the session's PulseAudio server (tests/sandbox.sh starts one without
// hardware) with null sinks and sources: a USB headset told by its name, two identical headsets
// and built-in speakers told only by the server's properties.

#include "support/EngineRig.h"
#include "support/SandboxPulse.h"
#include "engine/AudioDeviceRules.h"

#include <linphone++/audio_device.hh>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

Q_DECLARE_METATYPE(vozel::sip::SoundServerDevice)

namespace {

const QString twinHeadset = u"Jabra Evolve 20 MS Mono"_s;

QString idOf(const std::shared_ptr<const linphone::AudioDevice> &device)
{
    return device ? QString::fromStdString(device->getId()) : QString();
}

} // namespace

class AudioDevicesTest : public QObject {
    Q_OBJECT

    EngineRig rig;
    SipPeer &peer = rig.addPeer(u"2002"_s);
    PJSIPEngine &engine = rig.engine;
    EngineRecorder &recorder = rig.recorder;
    SandboxPulse pulse;

    // What the core uses for the microphone, for calls and for ringing, by the stack's ids.
    QStringList choices()
    {
        return {idOf(rig.core().getDefaultInputAudioDevice()), idOf(rig.core().getDefaultOutputAudioDevice()),
                QString::fromStdString(rig.core().getRingerDevice())};
    }

    void connectCall()
    {
        peer.answerIncoming(SipPeer::Answer::automatically);
        QCOMPARE(failureOf([&] { engine.call(u"2002"_s); }), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(peer.callState(), CallState::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected 2002"_s, 5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(SandboxPulse::isTheSandboxs(), "run inside tests/sandbox.sh");
        pulse.plug(u"sink"_s, u"usb_headset"_s, u"USB Headset"_s);
        pulse.plug(u"source"_s, u"usb_headset_mic"_s, u"USB Headset Microphone"_s);
        pulse.plug(u"source"_s, u"builtin_mic"_s, u"Built-in Microphone"_s);
        pulse.plug(u"sink"_s, u"headphones"_s, u"Fones de ouvido"_s);
        pulse.plug(u"sink"_s, u"headset_a"_s, twinHeadset, u"device.bus=usb"_s);
        pulse.plug(u"sink"_s, u"headset_b"_s, twinHeadset, u"device.bus=usb"_s);
        // The engine watches the server from its start; let the new devices settle first.
        QTest::qWait(500);
        rig.start();
    }

    void cleanup() { rig.hangUpAll(); }

    void listsEveryDeviceByTheServersNameWithItsCapabilitiesAndUsbMark()
    {
        QCOMPARE(recorder.reports.count(u"devices"_s), 1);
        const QList<VozelAudioDevice> devices = engine.audioDevices();
        for (const VozelAudioDevice &expected : {VozelAudioDevice{u"usb_headset"_s, u"USB Headset"_s, false, true, true},
                                                 {u"usb_headset_mic"_s, u"USB Headset Microphone"_s, true, false, true},
                                                 {u"builtin_mic"_s, u"Built-in Microphone"_s, true, false, false},
                                                 {u"headphones"_s, u"Fones de ouvido"_s, false, true, false},
                                                 {u"headset_a"_s, twinHeadset, false, true, true},
                                                 {u"headset_b"_s, twinHeadset, false, true, true}})
            QVERIFY2(devices.contains(expected), qPrintable(expected.id));
    }

    void eachRoleTakesItsOwnDevice()
    {
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

    // The stack knows both by the same description; the call still moves to the one chosen.
    // (The peer's stream belongs to this process too, and moves along.)
    void twinHeadsetsStayApartInACall()
    {
        const auto playsOnlyOn = [this](const QString &chosen, const QString &twin) {
            const QString sinks = pulse.playingSinks();
            return sinks.contains(u'\t' + chosen + u'\t') && !sinks.contains(u'\t' + twin + u'\t');
        };
        connectCall();
        engine.selectAudioDevice(u"headset_b"_s, VozelAudioRoute::callOutput);
        QTRY_VERIFY_WITH_TIMEOUT(playsOnlyOn(u"headset_b"_s, u"headset_a"_s), 3000);
        engine.selectAudioDevice(u"headset_a"_s, VozelAudioRoute::callOutput);
        QTRY_VERIFY_WITH_TIMEOUT(playsOnlyOn(u"headset_a"_s, u"headset_b"_s), 3000);
    }

    // The speakers of an ordinary desktop are called "Built-in Audio Analog Stereo": only the
    // server's form factor says what they are. Plugged in during a call, they are reported once
    // it ends; then they take the next call's sound and give it back.
    void builtInSpeakersArrivingUnderACallTakeTheNextOne()
    {
        const auto output = [this] { return idOf(rig.core().getOutputAudioDevice()).remove(u"PulseAudio Unknown: "_s); };
        engine.selectAudioDevice(u"headphones"_s, VozelAudioRoute::callOutput);
        connectCall();
        QCOMPARE(output(), u"Fones de ouvido"_s);
        engine.selectAudioDevice(u"usb_headset"_s, VozelAudioRoute::callOutput);
        QCOMPARE(output(), u"USB Headset"_s);
        QVERIFY(!engine.setSpeakerEnabled(true));
        QVERIFY(engine.setSpeakerEnabled(false));
        QCOMPARE(output(), u"USB Headset"_s);

        auto mark = recorder.reports.size();
        const int speakers = pulse.plug(u"sink"_s, u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, u"device.form_factor=internal"_s);
        QTest::qWait(1000);
        QCOMPARE(recorder.since(mark), QStringList());
        QCOMPARE(peer.callState(), CallState::StreamsRunning);
        rig.hangUpAll();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.since(mark).contains(u"devices"_s), 1000);
        QVERIFY(engine.audioDevices().contains(VozelAudioDevice{u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, false, true, false}));

        connectCall();
        QVERIFY(engine.setSpeakerEnabled(true));
        QCOMPARE(output(), u"Built-in Audio Analog Stereo"_s);
        QCOMPARE(idOf(rig.core().getDefaultOutputAudioDevice()), u"PulseAudio Unknown: USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pulse.playingSinks().contains(u"\tsink_7\t"_s), 3000);
        QVERIFY(engine.setSpeakerEnabled(false));
        QCOMPARE(output(), u"USB Headset"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!pulse.playingSinks().contains(u"\tsink_7\t"_s), 3000);

        // Unplugged while idle: reported once, within 300 ms.
        rig.hangUpAll();
        mark = recorder.reports.size();
        pulse.unplug(speakers);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.since(mark).contains(u"devices"_s), 300);
        QTest::qWait(500);
        QCOMPARE(recorder.since(mark), QStringList({u"devices"_s}));
        QVERIFY(!engine.audioDevices().contains(VozelAudioDevice{u"sink_7"_s, u"Built-in Audio Analog Stereo"_s, false, true, false}));
    }

    // Which sink the loudspeaker switch takes, for sinks as PulseAudio describes them on
    // ordinary computers: one of the speaker form factors first, else a built-in card's output.
    void theLoudspeakerIsTheBuiltInSpeakers_data()
    {
        QTest::addColumn<sip::SoundServerDevice>("device");
        QTest::addColumn<bool>("loudspeaker");
        QTest::addColumn<bool>("builtIn");
        const QString analog = u"alsa_output.pci-0000_00_1f.3.analog-stereo"_s;
        const QString builtIn = u"Built-in Audio Analog Stereo"_s;
        QTest::newRow("speaker form factor") << sip::SoundServerDevice{u"s"_s, u"Caixas"_s, true, {}, u"speaker"_s} << true << false;
        QTest::newRow("built-in card") << sip::SoundServerDevice{analog, builtIn, true, u"pci"_s, {}} << false << true;
        QTest::newRow("screen's HDMI") << sip::SoundServerDevice{u"alsa_output.pci-0000_01_00.1.hdmi-stereo"_s,
                                                                 u"HDA NVidia Digital Stereo (HDMI)"_s, true, u"pci"_s, {}}
                                       << false << false;
        QTest::newRow("USB headset") << sip::SoundServerDevice{u"u"_s, u"Jabra Evolve 20"_s, true, u"usb"_s, u"headset"_s}
                                     << false << false;
        QTest::newRow("Bluetooth") << sip::SoundServerDevice{u"b"_s, u"WH-1000XM4"_s, true, u"bluetooth"_s, {}} << false << false;
        QTest::newRow("headset jack on the board") << sip::SoundServerDevice{analog, builtIn, true, u"pci"_s, u"headset"_s}
                                                   << false << false;
        QTest::newRow("microphone") << sip::SoundServerDevice{u"m"_s, builtIn, false, u"pci"_s, u"internal"_s} << false << false;
    }
    void theLoudspeakerIsTheBuiltInSpeakers()
    {
        QFETCH(sip::SoundServerDevice, device);
        QFETCH(bool, loudspeaker);
        QFETCH(bool, builtIn);
        QCOMPARE(sip::isLoudspeaker(device), loudspeaker);
        QCOMPARE(sip::isBuiltInOutput(device), builtIn);
    }
};

QTEST_GUILESS_MAIN(AudioDevicesTest)
#include "AudioDevicesTest.moc"
