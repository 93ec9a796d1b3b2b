#include "ModelHarness.h"

#include "model/domain/VozelError.h"

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QString keychainMessage =
    u"Não foi possível abrir as contas no chaveiro do sistema. Reabra o Vozel antes de alterar as configurações."_s;
const QString endCallMessage = u"Encerre a ligação antes de alterar a conta."_s;

VozelAudioDevice device(const QString &id, bool record, bool play, bool usb)
{
    return {id, id.toUpper(), record, play, usb};
}

} // namespace

class ModelSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void launch_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("startFailure");
        QTest::addColumn<RegistrationState>("registration");
        QTest::newRow("first launch") << false << true << QString() << RegistrationState::notConfigured();
        QTest::newRow("active account") << true << true << QString() << RegistrationState::connecting();
        QTest::newRow("switch off") << true << false << QString() << RegistrationState::disabled();
        QTest::newRow("start fails") << true << true << u"Endereço inválido"_s
                                     << RegistrationState::failed(u"Endereço inválido"_s);
    }

    void launch()
    {
        QFETCH(bool, stored);
        QFETCH(bool, switchOn);
        QFETCH(QString, startFailure);
        QFETCH(RegistrationState, registration);
        ModelHarness h;
        if (stored)
            h.storeTwoAccounts();
        h.defaults->setBool(VozelModel::registrationEnabledKey, switchOn);
        if (!startFailure.isEmpty())
            h.engine->startFailure = Failure(startFailure);
        auto &model = h.create();
        // The connection waits for the event loop, so the window shows first.
        QVERIFY(h.engine->operations.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations, stored && switchOn ? QStringList{u"start 2001"_s} : QStringList());
        QCOMPARE(model.registration(), registration);
        QCOMPARE(model.errorMessage(), startFailure);
    }

    // An unreadable store is opened again on the next change.
    void accountsInAFailingStore()
    {
        ModelHarness h;
        const auto stored = h.storeTwoAccounts();
        h.secrets->failureStatus = -25308;
        auto &model = h.start();
        QCOMPARE(model.errorMessage(), keychainMessage);
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.secrets->writes, 0);

        h.secrets->failureStatus = 0;
        model.setErrorMessage(QString());
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), keychainMessage);
        QCOMPARE(h.engine->operations, QStringList{u"start 2001"_s});

        // A failed save changes nothing; one that timed out and lands later gets back what is shown.
        h.secrets->failureStatus = -25293;
        QCoro::waitFor(model.selectAccount(stored.accounts[0].id));
        QCOMPARE(model.errorMessage(), u"Não foi possível proteger a credencial do ramal."_s);
        QCOMPARE(model.account()->extension, u"2001"_s);
        h.provisioning->account = sampleAccount(u"3001"_s);
        QVERIFY(!QCoro::waitFor(model.configure(u"link"_s, u"Nova"_s)));
        QCOMPARE(model.savedAccounts().size(), 2);
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(model.savedAccounts()[1].label(), u"Ramal 2001"_s);
        QCOMPARE(h.engine->operations, QStringList{u"start 2001"_s});
        h.secrets->failureStatus = 0;
        h.secrets->lateWrites = 1;
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.storedAccounts(), stored);
    }

    // A call that arrives while a link is resolved discards the account it gives.
    void provisioningAnAccount()
    {
        ModelHarness h;
        auto &model = h.start();
        h.provisioning->failure = VozelError::invalidQRCode();
        QVERIFY(!QCoro::waitFor(model.configure(u"x"_s, std::nullopt)));
        QCOMPARE(model.errorMessage(), VozelError::invalidQRCode().description());

        h.provisioning->failure.reset();
        h.provisioning->account = sampleAccount(u"2001"_s);
        h.provisioning->gate.held = true;
        auto pending = model.configure(u"link"_s, std::nullopt);
        // Another change and an outgoing call are refused while the request runs.
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.registrationEnabled());
        model.setNumber(u"2002"_s);
        model.call();
        QVERIFY(h.engine->operations.isEmpty());
        h.engine->report(VozelCallState::incoming(u"3000"_s));
        model.setErrorMessage(QString());
        h.provisioning->gate.release();
        QVERIFY(!QCoro::waitFor(std::move(pending)));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.savedAccounts().isEmpty());

        h.engine->report(VozelCallState::idle());
        h.provisioning->gate.held = false;
        QVERIFY(QCoro::waitFor(model.configure(u"link"_s, u"  Loja Sul "_s)));
        QCOMPARE(model.savedAccounts()[0].label(), u"Loja Sul · Ramal 2001"_s);
        QVERIFY(model.savedAccounts()[0].provisioned);
        QCOMPARE(h.storedAccounts().accounts, model.savedAccounts());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2001"_s}));

        // With the switch off an account is stored without connecting.
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(h.defaults->boolValue(VozelModel::registrationEnabledKey), false);
        h.provisioning->account = sampleAccount(u"2002"_s);
        QVERIFY(QCoro::waitFor(model.configure(u"link"_s, std::nullopt)));
        QCOMPARE(model.registration(), RegistrationState::disabled());
        QVERIFY(!h.engine->operations.contains(u"start 2002"_s));

        QCoro::waitFor(model.setRegistrationEnabled(true));
        QCOMPARE(h.engine->operations.last(), u"start 2002"_s);
    }

    void manualEntry_data()
    {
        QTest::addColumn<ManualAccountEntry>("entry");
        QTest::addColumn<qint64>("port"); // 0: refused
        const ManualAccountEntry typed{.extension = u" 2001 "_s, .password = u" pw "_s, .host = u" pbx.example.com\n"_s,
                                       .port = u"5070"_s, .transport = u"UDP"_s};
        const auto with = [&](auto change) {
            ManualAccountEntry entry = typed;
            change(entry);
            return entry;
        };
        const auto port = [&](const QString &text) { return with([&](auto &e) { e.port = text; }); };
        QTest::newRow("complete") << typed << qint64(5070);
        QTest::newRow("no password") << with([](auto &e) { e.password.clear(); }) << qint64(0);
        QTest::newRow("extension of blanks") << with([](auto &e) { e.extension = u" \n\t"_s; }) << qint64(0);
        QTest::newRow("highest port") << port(u"65535"_s) << qint64(65535);
        QTest::newRow("port zero") << port(u"0"_s) << qint64(0);
        QTest::newRow("port too high") << port(u"65536"_s) << qint64(0);
        QTest::newRow("negative port") << port(u"-5060"_s) << qint64(0);
        QTest::newRow("arabic-indic digits") << port(u"\u0665\u0660\u0666\u0660"_s) << qint64(0);
    }

    void manualEntry()
    {
        QFETCH(ManualAccountEntry, entry);
        QFETCH(qint64, port);
        ModelHarness h;
        auto &model = h.start();
        QCOMPARE(QCoro::waitFor(model.saveManualAccount(entry)), port != 0);
        if (port == 0) {
            QCOMPARE(model.errorMessage(), entry.hasRequiredFields() ? u"Preencha ramal, senha, servidor e porta."_s
                                                                     : u"Preencha ramal, senha e servidor."_s);
            return;
        }
        const SIPAccount expected{u"2001"_s, u"2001"_s, entry.password, u"pbx.example.com"_s, port, u"udp"_s,
                                  u"Ramal 2001"_s, 600};
        QCOMPARE(*model.account(), expected);
    }

    // Renaming is allowed during a call; switching and removing wait for its end.
    void switchingRenamingAndRemovingAccounts()
    {
        ModelHarness h;
        const auto stored = h.storeTwoAccounts();
        auto &model = h.start();
        h.engine->report(VozelCallState::connected(u"2002"_s));
        model.renameActiveAccount(u"  Loja  "_s);
        QCOMPARE(h.storedAccounts().accounts[1].name, u"Loja"_s);
        QCoro::waitFor(model.reset());
        QCOMPARE(model.errorMessage(), endCallMessage);
        QCOMPARE(h.storedAccounts().accounts.size(), 2);

        h.engine->report(VozelCallState::idle());
        h.engine->operations.clear();
        QCoro::waitFor(model.selectAccount(QUuid::createUuid()));
        model.setNumber(u"99"_s);
        QCoro::waitFor(model.selectAccount(stored.accounts[0].id));
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(*h.storedAccounts().activeID, stored.accounts[0].id);
        QCOMPARE(model.number(), QString());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2002"_s}));

        QCoro::waitFor(model.reset());
        QCOMPARE(model.account()->extension, u"2001"_s);
        QCOMPARE(h.engine->operations.last(), u"start 2001"_s);
        QCoro::waitFor(model.reset());
        QCOMPARE(model.registration(), RegistrationState::notConfigured());
        QCOMPARE(h.engine->operations.last(), u"stop"_s);
        QVERIFY(h.storedAccounts().accounts.isEmpty());
    }

    // Talking prefers USB, ringing the built-in speakers (else the first output).
    void devicesAndStartAtLogin()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.engine->devices = {device(u"usb1"_s, false, true, true), device(u"usb2"_s, false, true, true)};
        h.loginItem->enabled = true;
        auto &model = h.start();
        QCOMPARE(model.ringerDeviceID(), u"usb1"_s);
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
        QCOMPARE(h.systemCalls->ringerDevice, u"SPK"_s); // the ring finds its output by name

        QSignalSpy ringer(&model, &VozelModel::ringerDeviceIDChanged);
        plug({mic, spk});
        QCOMPARE(model.microphoneDeviceID(), u"mic"_s);
        QCOMPARE(ringer.count(), 0);
        QVERIFY(h.engine->selections.contains(qMakePair(u"spk"_s, VozelAudioRoute::ringer)));
        model.setCallOutputDevice(u"usb"_s);
        QCOMPARE(h.defaults->stringValue(VozelModel::callOutputDeviceKey), u"usb"_s);
        QCOMPARE(h.engine->selections.last(), qMakePair(u"usb"_s, VozelAudioRoute::callOutput));

        plug({});
        QVERIFY(model.audioDevices().isEmpty());
        QVERIFY(h.engine->selections.isEmpty());
        QCOMPARE(model.ringerDeviceID(), u"spk"_s);

        // Start at login shows the login item's own state, also when changing it fails.
        QVERIFY(model.launchAtLogin());
        h.loginItem->failure = Failure(u"Permissão negada"_s);
        model.setLaunchAtLogin(false);
        QVERIFY(model.launchAtLogin());
        QCOMPARE(model.errorMessage(), u"Não foi possível alterar a inicialização automática: Permissão negada"_s);
    }
};

QTEST_GUILESS_MAIN(ModelSettingsTest)
#include "ModelSettingsTest.moc"
