#include "ModelHarness.h"

#include "model/domain/VozelError.h"

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const QString keychainMessage =
    u"Não foi possível abrir as contas no chaveiro do sistema. Reabra o Vozel antes de alterar as configurações."_s;
const QString endCallMessage = u"Encerre a ligação antes de alterar a conta."_s;

} // namespace

class ModelAccountsTest : public QObject {
    Q_OBJECT

private slots:
    void firstLaunchStartsNothing()
    {
        ModelHarness h;
        auto &model = h.start();
        QVERIFY(model.registrationEnabled());
        QCOMPARE(model.microphoneDeviceID(), QString());
        QCOMPARE(model.registration(), RegistrationState::notConfigured());
        QVERIFY(!model.account());
        QVERIFY(h.engine->operations.isEmpty());
        QVERIFY(model.errorMessage().isEmpty());
    }

    void launchConnectsActiveAccountAfterCreation()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        auto &model = h.create();
        QSignalSpy registration(&model, &VozelModel::registrationChanged);
        QCOMPARE(model.account()->extension, u"2001"_s);
        QVERIFY(h.engine->operations.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations.first(), u"start 2001"_s);
        QCOMPARE(model.registration(), RegistrationState::connecting());
        QVERIFY(registration.count() >= 1);
    }

    void launchWithSwitchOffStaysDisabled()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.defaults->setBool(VozelModel::registrationEnabledKey, false);
        auto &model = h.start();
        QCOMPARE(model.registration(), RegistrationState::disabled());
        QVERIFY(h.engine->operations.isEmpty());
    }

    void startFailureShowsInRegistrationAndAlert()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.engine->startFailure = Failure(u"Endereço inválido"_s);
        auto &model = h.start();
        QCOMPARE(model.registration(), RegistrationState::failed(u"Endereço inválido"_s));
        QCOMPARE(model.errorMessage(), u"Endereço inválido"_s);
        QVERIFY(model.account());
    }

    void unreadableStoreIsOpenedAgainOnTheNextChange()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        h.secrets->failureStatus = -25308;
        auto &model = h.start();
        QCOMPARE(model.errorMessage(), keychainMessage);
        QVERIFY(model.savedAccounts().isEmpty());
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.secrets->writes, 0);
        QVERIFY(h.engine->operations.isEmpty());

        h.secrets->failureStatus = 0;
        model.setErrorMessage(QString());
        await(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), keychainMessage);
        QVERIFY(model.registrationEnabled());
        QCOMPARE(model.savedAccounts().size(), 2);
        QCOMPARE(h.engine->operations, QStringList{u"start 2001"_s});
        QVERIFY(!model.changingAccount());
    }

    void selectingAccountsThroughTheGate()
    {
        ModelHarness h;
        const auto stored = h.storeTwoAccounts();
        auto &model = h.start();
        const QUuid other = stored.accounts[0].id;
        model.setNumber(u"123"_s);

        // Already active: nothing at all, even during a call.
        h.engine->report(VozelCallState::incoming(u"3000"_s));
        h.engine->operations.clear();
        await(model.selectAccount(*model.activeAccountID()));
        QVERIFY(model.errorMessage().isEmpty());

        await(model.selectAccount(other));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QCOMPARE(model.account()->extension, u"2001"_s);
        h.engine->report(VozelCallState::idle());
        model.setErrorMessage(QString());

        // Unknown id: gate released, no message.
        await(model.selectAccount(QUuid::createUuid()));
        QVERIFY(!model.changingAccount());
        QVERIFY(model.errorMessage().isEmpty());

        model.setNumber(u"123"_s);
        h.engine->operations.clear();
        QSignalSpy gate(&model, &VozelModel::changingAccountChanged);
        await(model.selectAccount(other));
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(*h.storedAccounts().activeID, other);
        QCOMPARE(model.number(), QString());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2002"_s}));
        QCOMPARE(gate.count(), 2);
        QVERIFY(!model.changingAccount());
    }

    void failedSaveChangesNothing()
    {
        ModelHarness h;
        const auto stored = h.storeTwoAccounts();
        auto &model = h.start();
        h.engine->operations.clear();
        h.secrets->failureStatus = -25293;
        await(model.selectAccount(stored.accounts[0].id));
        QCOMPARE(model.errorMessage(), u"Não foi possível proteger a credencial do ramal."_s);
        QCOMPARE(model.account()->extension, u"2001"_s);
        QVERIFY(h.engine->operations.isEmpty());
        QVERIFY(!model.changingAccount());

        h.provisioning->account = sampleAccount(u"3001"_s);
        QVERIFY(!await(model.configure(u"link"_s, u"Nova"_s)));
        QCOMPARE(model.savedAccounts().size(), 2);
        QVERIFY(h.engine->operations.isEmpty());

        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(model.savedAccounts()[1].label(), u"Ramal 2001"_s);
        QVERIFY(!model.changingAccount());

        // A save that timed out may land later: the keyring gets back what is shown.
        h.secrets->failureStatus = 0;
        h.secrets->lateWrites = 1;
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.storedAccounts(), stored);
    }

    void configureStoresProvisionedAccount()
    {
        ModelHarness h;
        auto &model = h.start();
        h.provisioning->account = sampleAccount(u"2001"_s);
        QVERIFY(await(model.configure(u" link "_s, u"  Loja Sul "_s)));
        QCOMPARE(h.provisioning->links, QStringList{u" link "_s});
        QCOMPARE(model.savedAccounts().size(), 1);
        QCOMPARE(model.savedAccounts()[0].label(), u"Loja Sul · Ramal 2001"_s);
        QVERIFY(model.savedAccounts()[0].provisioned);
        QCOMPARE(h.storedAccounts().accounts, model.savedAccounts());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2001"_s}));

        // The same connection again updates the entry and keeps its nickname.
        auto changed = sampleAccount(u"2001"_s);
        changed.password = u"novo"_s;
        h.provisioning->account = changed;
        QVERIFY(await(model.configure(u"link"_s, std::nullopt)));
        QCOMPARE(model.savedAccounts().size(), 1);
        QCOMPARE(model.savedAccounts()[0].name, u"Loja Sul"_s);
        QCOMPARE(model.account()->password, u"novo"_s);
    }

    void configureWithSwitchOffStoresWithoutConnecting()
    {
        ModelHarness h;
        h.defaults->setBool(VozelModel::registrationEnabledKey, false);
        auto &model = h.start();
        h.provisioning->account = sampleAccount(u"2001"_s);
        QVERIFY(await(model.configure(u"link"_s, std::nullopt)));
        QCOMPARE(model.registration(), RegistrationState::disabled());
        QCOMPARE(h.engine->operations, QStringList{u"stop"_s});
    }

    void configureFailuresReachTheAlert()
    {
        ModelHarness h;
        auto &model = h.start();
        h.provisioning->failure = VozelError::invalidQRCode();
        QVERIFY(!await(model.configure(u"x"_s, std::nullopt)));
        QCOMPARE(model.errorMessage(), u"Este QR Code não pertence ao Vozel."_s);
        QVERIFY(!model.changingAccount());
        QVERIFY(h.secrets->items.isEmpty());
    }

    void callArrivingDuringProvisioningDiscardsTheAccount()
    {
        ModelHarness h;
        auto &model = h.start();
        h.provisioning->account = sampleAccount(u"2001"_s);
        h.provisioning->gate.held = true;
        auto pending = model.configure(u"link"_s, std::nullopt);
        QVERIFY(model.changingAccount());

        // Another change and an outgoing call are refused while the request runs.
        await(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.registrationEnabled());
        model.setNumber(u"2002"_s);
        model.call();
        QVERIFY(!h.engine->operations.contains(u"call 2002"_s));

        h.engine->report(VozelCallState::incoming(u"3000"_s));
        model.setErrorMessage(QString());
        h.provisioning->gate.release();
        QVERIFY(!await(std::move(pending)));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.savedAccounts().isEmpty());
        QVERIFY(!model.changingAccount());
    }

    void manualEntryIsCleanedBeforeSaving()
    {
        ModelHarness h;
        auto &model = h.start();
        ManualAccountEntry entry{u" 2001 "_s, u""_s, u" pw "_s, u" pbx.example.com\n"_s, 5070, u"UDP"_s, u""_s,
                                 std::nullopt, std::nullopt};
        QVERIFY(await(model.saveManualAccount(entry)));
        const SIPAccount expected{u"2001"_s, u"2001"_s, u" pw "_s, u"pbx.example.com"_s, 5070, u"udp"_s,
                                  u"Ramal 2001"_s, 600};
        QCOMPARE(*model.account(), expected);

        entry.password.clear();
        QVERIFY(!await(model.saveManualAccount(entry)));
        QCOMPARE(model.errorMessage(), u"Preencha ramal, senha e servidor."_s);
        QVERIFY(!model.changingAccount());

        // Editing replaces the entry it names, even when the connection changed.
        entry = {u"3001"_s, u"user"_s, u"x"_s, u"h"_s, 5060, u"tls"_s, u"Recepção"_s, u"Casa"_s,
                 model.activeAccountID()};
        QVERIFY(await(model.saveManualAccount(entry)));
        QCOMPARE(model.savedAccounts().size(), 1);
        QCOMPARE(model.savedAccounts()[0].label(), u"Casa · Ramal 3001"_s);
        QCOMPARE(model.account()->displayName, u"Recepção"_s);
    }

    void registrationSwitch()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        auto &model = h.start();
        h.engine->operations.clear();
        await(model.setRegistrationEnabled(false));
        QCOMPARE(model.registration(), RegistrationState::disabled());
        QCOMPARE(h.defaults->boolValue(VozelModel::registrationEnabledKey), false);
        QCOMPARE(h.engine->operations, QStringList{u"stop"_s});

        await(model.setRegistrationEnabled(true));
        QCOMPARE(h.engine->operations.last(), u"start 2001"_s);
        QCOMPARE(model.registration(), RegistrationState::connecting());
    }

    void removingAccounts()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        auto &model = h.start();
        model.setNumber(u"99"_s);
        await(model.reset());
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(model.number(), QString());
        QCOMPARE(h.engine->operations.last(), u"start 2002"_s);

        await(model.reset());
        QVERIFY(!model.account());
        QVERIFY(model.savedAccounts().isEmpty());
        QCOMPARE(model.registration(), RegistrationState::notConfigured());
        QCOMPARE(h.engine->operations.last(), u"stop"_s);
        QVERIFY(h.storedAccounts().accounts.isEmpty());
    }

    void renameIsAllowedDuringACall()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        auto &model = h.start();
        h.connectCallTo(u"2002"_s);
        QSignalSpy saved(&model, &VozelModel::savedAccountsChanged);
        model.renameActiveAccount(u"  Loja  "_s);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(model.savedAccounts()[1].label(), u"Loja · Ramal 2001"_s);
        model.renameActiveAccount(u"   "_s);
        QCOMPARE(model.savedAccounts()[1].label(), u"Ramal 2001"_s);
        QCOMPARE(h.storedAccounts().accounts[1].name, QString());
        QCOMPARE(model.callState(), VozelCallState::connected(u"2002"_s));
    }
};

QTEST_GUILESS_MAIN(ModelAccountsTest)
#include "ModelAccountsTest.moc"
