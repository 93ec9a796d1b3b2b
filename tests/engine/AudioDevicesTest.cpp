// Sound devices against a PulseAudio server with null sinks and sources named like a USB
// headset and built-in devices.

#include "support/EngineRig.h"
#include "support/TestPulse.h"

#include <linphone++/audio_device.hh>

#include <QElapsedTimer>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

namespace {

const QString usbHeadset = u"PulseAudio Unknown: USB Headset"_s;
const QString usbMicrophone = u"PulseAudio Unknown: USB Headset Microphone"_s;
const QString builtInMicrophone = u"PulseAudio Unknown: Built-in Microphone"_s;
const QString headphones = u"PulseAudio Unknown: Fones de ouvido"_s;
const QString loudspeaker = u"PulseAudio Unknown: Alto-falante interno"_s;

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

    // What the core uses for the microphone, for calls and for ringing.
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

    // A sink for this test function only; cleanup() removes what a failed test left.
    int plugIn(const QString &name, const QString &description)
    {
        const int module = m_pulse->addSink(name, description);
        if (module >= 0)
            m_pluggedIn << module;
        return module;
    }

    bool unplug(int module)
    {
        m_pluggedIn.removeOne(module);
        return m_pulse->unload(module);
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

    void listsEveryDeviceWithItsCapabilitiesAndUsbMark()
    {
        QCOMPARE(recorder().count(u"devices"_s), 1);
        const QList<VozelAudioDevice> devices = engine().audioDevices();
        const auto find = [&](const QString &id) {
            const auto found = std::find_if(devices.begin(), devices.end(),
                                            [&](const VozelAudioDevice &device) { return device.id == id; });
            return found == devices.end() ? VozelAudioDevice{} : *found;
        };
        QCOMPARE(find(usbHeadset), (VozelAudioDevice{usbHeadset, u"USB Headset"_s, false, true, true}));
        QCOMPARE(find(usbMicrophone),
                 (VozelAudioDevice{usbMicrophone, u"USB Headset Microphone"_s, true, false, true}));
        QCOMPARE(find(builtInMicrophone),
                 (VozelAudioDevice{builtInMicrophone, u"Built-in Microphone"_s, true, false, false}));
        QCOMPARE(find(headphones), (VozelAudioDevice{headphones, u"Fones de ouvido"_s, false, true, false}));
    }

    void eachRoleTakesItsOwnDevice()
    {
        engine().selectAudioDevice(builtInMicrophone, VozelAudioRoute::microphone);
        engine().selectAudioDevice(headphones, VozelAudioRoute::callOutput);
        engine().selectAudioDevice(usbHeadset, VozelAudioRoute::ringer);
        const QStringList chosen{builtInMicrophone, headphones, usbHeadset};
        QCOMPARE(choices(), chosen);

        engine().selectAudioDevice(u"PulseAudio Unknown: Não existe"_s, VozelAudioRoute::callOutput);
        engine().selectAudioDevice(u"pulseaudio unknown: usb headset"_s, VozelAudioRoute::ringer);
        QCOMPARE(choices(), chosen);

        // Looking for new devices while idle leaves the choices alone and reports nothing new.
        const auto mark = recorder().reports.size();
        QTest::qWait(4500);
        QCOMPARE(recorder().since(mark), QStringList());
        QCOMPARE(choices(), chosen);
    }

    void withoutALoudspeakerTheSwitchFailsAndSwitchingBackKeepsTheOutput()
    {
        engine().selectAudioDevice(headphones, VozelAudioRoute::callOutput);
        connectCall();
        QCOMPARE(idOf(core().getOutputAudioDevice()), headphones);
        engine().selectAudioDevice(usbHeadset, VozelAudioRoute::callOutput);
        QCOMPARE(idOf(core().getOutputAudioDevice()), usbHeadset);

        QVERIFY(!engine().setSpeakerEnabled(true));
        QCOMPARE(idOf(core().getOutputAudioDevice()), usbHeadset);
        QVERIFY(engine().setSpeakerEnabled(false));
        QCOMPARE(idOf(core().getOutputAudioDevice()), usbHeadset);
    }

    void aPluggedInDeviceIsReportedOnceAndAppearsWithinThreeSeconds()
    {
        auto mark = recorder().reports.size();
        QElapsedTimer clock;
        clock.start();
        const int module = plugIn(u"speakers"_s, u"Alto-falante interno"_s);
        QVERIFY(module >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 3000);
        QVERIFY2(clock.elapsed() <= 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(deviceIds().contains(loudspeaker));
        QTest::qWait(2500);
        QCOMPARE(recorder().since(mark).filter(u"devices"_s), QStringList({u"devices"_s}));

        mark = recorder().reports.size();
        QVERIFY(unplug(module));
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 3000);
        QVERIFY(!deviceIds().contains(loudspeaker));
        QTest::qWait(2500);
        QCOMPARE(recorder().since(mark).filter(u"devices"_s), QStringList({u"devices"_s}));
    }

    void theLoudspeakerTakesTheCallAndGivesItBack()
    {
        const int module = plugIn(u"speakers"_s, u"Alto-falante interno"_s);
        QTRY_VERIFY_WITH_TIMEOUT(deviceIds().contains(loudspeaker), 3000);
        engine().selectAudioDevice(usbHeadset, VozelAudioRoute::callOutput);
        connectCall();

        QVERIFY(engine().setSpeakerEnabled(true));
        QCOMPARE(idOf(core().getOutputAudioDevice()), loudspeaker);
        QCOMPARE(idOf(core().getDefaultOutputAudioDevice()), usbHeadset);
        QVERIFY(engine().setSpeakerEnabled(false));
        QCOMPARE(idOf(core().getOutputAudioDevice()), usbHeadset);
        m_rig->hangUpAll();
        QVERIFY(unplug(module));
        QTRY_VERIFY_WITH_TIMEOUT(!deviceIds().contains(loudspeaker), 3000);
    }

    void devicesAreNotReloadedUnderACall()
    {
        connectCall();
        const auto mark = recorder().reports.size();
        const int module = plugIn(u"usb_dock"_s, u"USB Dock"_s);
        QTest::qWait(3000);
        QCOMPARE(recorder().since(mark).filter(u"devices"_s), QStringList());
        QCOMPARE(m_peer->callState(), CallState::StreamsRunning);
        QCOMPARE(recorder().last(), u"call connected 2002"_s);

        m_rig->hangUpAll();
        QTRY_VERIFY_WITH_TIMEOUT(recorder().since(mark).contains(u"devices"_s), 3000);
        QVERIFY(deviceIds().contains(u"PulseAudio Unknown: USB Dock"_s));
        QVERIFY(unplug(module));
    }

    void withoutACoreThereIsNothingToChoose()
    {
        PJSIPEngine stopped(testEnvironment(m_rig->pbx, m_rig->data));
        QCOMPARE(stopped.audioDevices(), QList<VozelAudioDevice>());
        stopped.selectAudioDevice(usbHeadset, VozelAudioRoute::ringer);
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
