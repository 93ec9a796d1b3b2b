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
using CallState = linphone::Call::State;

Q_DECLARE_METATYPE(linphone::RegistrationState)
Q_DECLARE_METATYPE(linphone::Call::State)
Q_DECLARE_METATYPE(vozel::sip::CallReport)
Q_DECLARE_METATYPE(vozel::sip::DeviceKind)
Q_DECLARE_METATYPE(vozel::sip::SoundServerDevice)

class MappingTest : public QObject {
    Q_OBJECT

private slots:
    void registrationStates_data()
    {
        QTest::addColumn<linphone::RegistrationState>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<RegistrationState>("expected");
        using L = linphone::RegistrationState;
        QTest::newRow("none") << L::None << u"x"_s << RegistrationState::notConfigured();
        QTest::newRow("progress") << L::Progress << u"Refresh registration"_s << RegistrationState::connecting();
        QTest::newRow("ok") << L::Ok << u"Registration successful"_s << RegistrationState::connected();
        QTest::newRow("cleared") << L::Cleared << u"Unregistration done"_s << RegistrationState::notConfigured();
        QTest::newRow("failed keeps the message") << L::Failed << u"Unauthorized"_s
                                                  << RegistrationState::failed(u"Unauthorized"_s);
    }
    void registrationStates()
    {
        QFETCH(linphone::RegistrationState, state);
        QFETCH(QString, message);
        QFETCH(RegistrationState, expected);
        const RegistrationState mapped = registrationStateFor(state, message.toStdString());
        QCOMPARE(mapped.kind, expected.kind);
        QCOMPARE(mapped.message, expected.message);
    }

    void callStates_data()
    {
        QTest::addColumn<CallState>("state");
        QTest::addColumn<CallReport>("report");
        const QList<std::pair<CallState, CallReport>> table = {
            {CallState::Idle, CallReport::none},           {CallState::IncomingReceived, CallReport::incoming},
            {CallState::PushIncomingReceived, CallReport::incoming}, {CallState::IncomingEarlyMedia, CallReport::none},
            {CallState::OutgoingInit, CallReport::dialing}, {CallState::OutgoingEarlyMedia, CallReport::dialing},
            {CallState::StreamsRunning, CallReport::connected}, {CallState::Paused, CallReport::none},
            {CallState::PausedByRemote, CallReport::none},  {CallState::Referred, CallReport::none},
            {CallState::Error, CallReport::idle},           {CallState::Released, CallReport::idle},
        };
        for (const auto &[state, report] : table)
            QTest::addRow("state %d", int(state)) << state << report;
    }
    void callStates()
    {
        QFETCH(CallState, state);
        QFETCH(CallReport, report);
        QCOMPARE(callReportFor(state), report);
    }

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
        QTest::newRow("spaces are kept") << u"   "_s << u"sip:   @192.0.2.10"_s;
        QTest::newRow("star code") << u"*72"_s << u"sip:*72@192.0.2.10"_s;
    }
    void callTargets()
    {
        QFETCH(QString, dialled);
        QFETCH(QString, target);
        QCOMPARE(callTarget(dialled, u"192.0.2.10"_s), target);
    }

    void accountAddresses_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("registrar");
        QTest::newRow("udp") << u"udp"_s << u"sip:192.0.2.10:5060;transport=udp"_s;
        QTest::newRow("capitals") << u"TLS"_s << u"sip:192.0.2.10:5060;transport=tls"_s;
    }
    void accountAddresses()
    {
        QFETCH(QString, transport);
        QFETCH(QString, registrar);
        SIPAccount account;
        account.extension = u"2001"_s;
        account.host = u"192.0.2.10"_s;
        account.port = 5060;
        account.transport = transport;
        QCOMPARE(identityUri(account), u"sip:2001@192.0.2.10"_s);
        QCOMPARE(registrarUri(account), registrar);
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

    void dtmfKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<char>>("digit");
        for (const char key : "0123456789*#"_ba)
            QTest::addRow("key %c", key) << QString(QChar(key)) << std::optional<char>(key);
        for (const QString &refused : {u"A"_s, u"D"_s, u"d"_s, u"12"_s, u""_s, u" "_s, u"５"_s, u"5 "_s})
            QTest::addRow("refused '%s'", qPrintable(refused)) << refused << std::optional<char>();
    }
    void dtmfKeys()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<char>, digit);
        QCOMPARE(dtmfDigit(text), digit);
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
