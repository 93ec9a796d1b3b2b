// The pure translations between the SIP stack and the application: states, numbers, addresses,
// sound devices.

#include "engine/AudioDeviceRules.h"
#include "engine/EventMapping.h"
#include "engine/SipText.h"

#include <linphone++/factory.hh>

#include <QTest>

#include <limits>

using namespace vozel;
using namespace vozel::sip;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vozel::sip::DeviceKind)
Q_DECLARE_METATYPE(vozel::sip::SoundServerDevice)

class MappingTest : public QObject {
    Q_OBJECT

private slots:
    void callNumberAndDisplayName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("number");
        QTest::addColumn<std::optional<QString>>("name");
        QTest::newRow("plain") << u"sip:2002@192.0.2.10"_s << u"2002"_s << std::optional<QString>();
        QTest::newRow("named") << uR"("Ana Souza" <sip:2002@pbx.example.com>)"_s << u"2002"_s
                               << std::optional<QString>(u"Ana Souza"_s);
        QTest::newRow("external number") << u"sip:+551130001000@pbx.example.com;user=phone"_s
                                         << u"+551130001000"_s << std::optional<QString>();
        QTest::newRow("no user part") << u"sip:pbx.example.com"_s << u"Desconhecido"_s << std::optional<QString>();
    }
    void callNumberAndDisplayName()
    {
        QFETCH(QString, address);
        QFETCH(QString, number);
        QFETCH(std::optional<QString>, name);
        const auto parsed = linphone::Factory::get()->createAddress(address.toStdString());
        QVERIFY(parsed);
        QCOMPARE(callNumber(parsed), number);
        QCOMPARE(displayName(parsed), name);
    }

    void missingAddressReadsAsUnknown()
    {
        QCOMPARE(callNumber(nullptr), u"Desconhecido"_s);
        QCOMPARE(displayName(nullptr), std::nullopt);
    }

    void callTargets_data()
    {
        QTest::addColumn<QString>("dialled");
        QTest::addColumn<QString>("target");
        QTest::newRow("extension") << u"2002"_s << u"sip:2002@192.0.2.10"_s;
        QTest::newRow("own domain") << u"2002@outro.example.com"_s << u"sip:2002@outro.example.com"_s;
        QTest::newRow("escaped before the domain") << u"#7@pbx"_s << u"sip:%237@pbx"_s;
    }
    void callTargets()
    {
        QFETCH(QString, dialled);
        QFETCH(QString, target);
        QCOMPARE(callTarget(dialled, u"192.0.2.10"_s), target);
    }

    void registrationLifetimes_data()
    {
        QTest::addColumn<qint64>("requested");
        QTest::addColumn<int>("lifetime");
        QTest::newRow("as given") << qint64(600) << 600;
        QTest::newRow("zero would unregister") << qint64(0) << 600;
        QTest::newRow("negative") << qint64(-30) << 600;
        QTest::newRow("huge") << (qint64(1) << 40) << std::numeric_limits<int>::max();
    }
    void registrationLifetimes()
    {
        QFETCH(qint64, requested);
        QFETCH(int, lifetime);
        QCOMPARE(registrationLifetime(requested), lifetime);
    }

    void audioDevices_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<DeviceKind>("kind");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<bool>("isUSB");
        QTest::newRow("unnamed shows its id") << QString() << DeviceKind::Unknown << u"ALSA: hw:1"_s << false;
        QTest::newRow("lower case usb") << u"fone usb"_s << DeviceKind::Unknown << u"fone usb"_s << true;
        QTest::newRow("USB kind whatever the name") << u"Logitech H390"_s << DeviceKind::GenericUsb
                                                    << u"Logitech H390"_s << true;
        QTest::newRow("built-in") << u"Built-in Audio Analog Stereo"_s << DeviceKind::Unknown
                                  << u"Built-in Audio Analog Stereo"_s << false;
    }
    void audioDevices()
    {
        QFETCH(QString, name);
        QFETCH(DeviceKind, kind);
        QFETCH(QString, shownName);
        QFETCH(bool, isUSB);
        const VozelAudioDevice device = describeAudioDevice(u"ALSA: hw:1"_s, name, true, false, kind);
        QCOMPARE(device, (VozelAudioDevice{u"ALSA: hw:1"_s, shownName, true, false, isUSB}));
    }

    void loudspeakers_data()
    {
        QTest::addColumn<DeviceKind>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("loudspeaker");
        QTest::newRow("speaker kind") << DeviceKind::Speaker << u"Saída 1"_s << true;
        QTest::newRow("english name") << DeviceKind::Unknown << u"Built-in Speakers"_s << true;
        QTest::newRow("portuguese name") << DeviceKind::Unknown << u"Alto-Falante interno"_s << true;
        QTest::newRow("headphones") << DeviceKind::Headphones << u"Fones de ouvido"_s << false;
    }
    void loudspeakers()
    {
        QFETCH(DeviceKind, kind);
        QFETCH(QString, name);
        QFETCH(bool, loudspeaker);
        QCOMPARE(isLoudspeaker(kind, name), loudspeaker);
    }

    // Sinks as PulseAudio describes them on ordinary computers.
    void soundServerLoudspeakers_data()
    {
        QTest::addColumn<SoundServerDevice>("device");
        QTest::addColumn<bool>("loudspeaker");
        QTest::addColumn<bool>("builtIn");
        const QString analog = u"alsa_output.pci-0000_00_1f.3.analog-stereo"_s;
        const QString builtIn = u"Built-in Audio Analog Stereo"_s;
        QTest::newRow("internal form factor") << SoundServerDevice{analog, builtIn, true, u"pci"_s, u"internal"_s}
                                              << true << true;
        QTest::newRow("speaker form factor") << SoundServerDevice{u"s"_s, u"Caixas"_s, true, {}, u"speaker"_s} << true
                                             << false;
        QTest::newRow("built-in card, no form factor")
            << SoundServerDevice{analog, builtIn, true, u"pci"_s, {}} << false << true;
        QTest::newRow("screen's HDMI") << SoundServerDevice{u"alsa_output.pci-0000_01_00.1.hdmi-stereo"_s,
                                                            u"HDA NVidia Digital Stereo (HDMI)"_s, true, u"pci"_s, {}}
                                       << false << false;
        QTest::newRow("USB headset") << SoundServerDevice{u"u"_s, u"Jabra Evolve 20"_s, true, u"usb"_s, u"headset"_s}
                                     << false << false;
        QTest::newRow("Bluetooth") << SoundServerDevice{u"b"_s, u"WH-1000XM4"_s, true, u"bluetooth"_s, {}} << false
                                   << false;
        QTest::newRow("headset jack on the board")
            << SoundServerDevice{analog, builtIn, true, u"pci"_s, u"headset"_s} << false << false;
        QTest::newRow("microphone") << SoundServerDevice{u"m"_s, builtIn, false, u"pci"_s, u"internal"_s} << false
                                    << false;
    }
    void soundServerLoudspeakers()
    {
        QFETCH(SoundServerDevice, device);
        QFETCH(bool, loudspeaker);
        QFETCH(bool, builtIn);
        QCOMPARE(isLoudspeaker(device), loudspeaker);
        QCOMPARE(isBuiltInOutput(device), builtIn);
    }
};

QTEST_GUILESS_MAIN(MappingTest)
#include "MappingTest.moc"
