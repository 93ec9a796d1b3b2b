// The settings sheet's flows over a real model built on the test fakes.
#include "ModelHarness.h"

#include "ui/SettingsForm.h"

using namespace Qt::StringLiterals;
using namespace vozel;
using namespace vozel::test;
using vozel::ui::SettingsForm;

namespace {

const QString incomplete = u"Preencha ramal, senha, servidor e porta."_s;
const QString manualSaved = u"Configuração salva. Verifique o estado do ramal acima."_s;

void fillManual(SettingsForm &form, const QString &extension)
{
    form.setManualExtension(extension);
    form.setManualPassword(u"segredo"_s);
    form.setManualHost(u"pbx.example.com"_s);
    form.setManualPort(u"5060"_s);
    form.setManualTransport(u"udp"_s);
}

// Runs the event loop until the form's last flow has finished.
bool settle(SettingsForm &form)
{
    return QTest::qWaitFor([&] { return !form.model()->changingAccount(); }, 2000);
}

} // namespace

class SettingsFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ModelHarness> harness;
    std::unique_ptr<SettingsForm> openedForm;
    std::unique_ptr<QSignalSpy> closes;

    // The sheet's form over a model started on what the test stored.
    SettingsForm &open()
    {
        openedForm = std::make_unique<SettingsForm>();
        openedForm->setModel(&harness->start());
        closes = std::make_unique<QSignalSpy>(openedForm.get(), &SettingsForm::closeRequested);
        return *openedForm;
    }

private slots:
    void init() { harness = std::make_unique<ModelHarness>(); }

    void cleanup()
    {
        closes.reset();
        openedForm.reset();
        harness.reset();
    }

    void addingStartsAnEmptyFormOnTheUsualPort()
    {
        harness->storeTwoAccounts();
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);
        form.setManualHost(u"left over"_s);
        form.setProvisioningURL(u"https://left.over"_s);

        form.beginAdding();

        QVERIFY(form.addingAccount());
        QVERIFY(form.editingConfiguration());
        QCOMPARE(form.manualPort(), u"5060"_s);
        QCOMPARE(form.manualTransport(), u"udp"_s);
        QCOMPARE(form.manualHost(), QString());
        QCOMPARE(form.provisioningURL(), QString());
        QCOMPARE(form.setupMode(), SettingsForm::manualMode);
    }

    void editingLoadsTheActiveAccount()
    {
        SIPAccountCollection collection;
        SIPAccount account = sampleAccount(u"2001"_s);
        account.transport = u"TLS"_s;
        account.port = 5061;
        collection.save(account, std::nullopt, u"Loja Sul"_s);
        harness->storeAccounts(collection);
        SettingsForm &form = open();
        QCOMPARE(form.accountNickname(), u"Loja Sul"_s);

        form.beginEditing();

        QVERIFY(form.editingConfiguration());
        QCOMPARE(form.manualName(), u"Loja Sul"_s);
        QCOMPARE(form.manualExtension(), u"2001"_s);
        QCOMPARE(form.manualUser(), u"2001"_s);
        QCOMPARE(form.manualPassword(), u"pw2001"_s);
        QCOMPARE(form.manualHost(), u"pbx.example.com"_s);
        QCOMPARE(form.manualPort(), u"5061"_s);
        QCOMPARE(form.manualTransport(), u"tls"_s);
    }

    void manualSaveReportsEachOutcome()
    {
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);

        form.saveManualConfiguration();
        QCOMPARE(form.saveStatus(), incomplete);
        QVERIFY(harness->engine->operations.isEmpty());

        fillManual(form, u" 2001 "_s);
        harness->secrets->failureStatus = -25308;
        QVERIFY(!await(form.saveManual(false)));
        QVERIFY(!harness->model->errorMessage().isEmpty());
        QCOMPARE(form.saveStatus(), harness->model->errorMessage());

        harness->secrets->failureStatus = InMemorySecretItemStore::success;
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(form.saveStatus(), manualSaved);
        QCOMPARE(harness->storedAccounts().accounts.size(), 1);
        QCOMPARE(harness->storedAccounts().accounts[0].account.extension, u"2001"_s);
        QCOMPARE(harness->storedAccounts().accounts[0].account.displayName, u"Ramal 2001"_s);
        QVERIFY(closes->isEmpty());
    }

    void finishingSavesAndClosesOnlyAfterSuccess()
    {
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);
        QVERIFY(!form.canFinish());

        fillManual(form, u"2001"_s);
        harness->secrets->failureStatus = -25308;
        form.finish();
        QVERIFY(settle(form));
        QVERIFY(closes->isEmpty());
        QCOMPARE(form.saveStatus(), harness->model->errorMessage());

        harness->secrets->failureStatus = InMemorySecretItemStore::success;
        form.finish();
        QTRY_COMPARE(closes->size(), 1);
        QCOMPARE(form.saveStatus(), manualSaved);
    }

    void finishingWaitsWhileAnAccountChangeRuns()
    {
        SettingsForm &form = open();
        harness->provisioning->account = sampleAccount(u"2001"_s);
        harness->provisioning->gate.held = true;
        form.setProvisioningURL(u"https://pbx.example.com/api/pabx-vozel?token=1"_s);
        QVERIFY(form.shouldConfigureProvisioning());

        form.configureProvisioning();
        QVERIFY(harness->model->changingAccount());
        QCOMPARE(form.saveStatus(), u"Salvando e tentando conectar\u2026"_s);
        QVERIFY(!form.canFinish());

        harness->provisioning->gate.release();
        QVERIFY(settle(form));
        QVERIFY(form.canFinish());
        QCOMPARE(form.saveStatus(), u"Conta salva."_s);
    }

    // Adding by link while another account exists: the empty manual form that adding opens
    // must neither block "Concluir" nor be saved in place of the link.
    void addingByLinkFinishesWithTheLink()
    {
        harness->storeTwoAccounts();
        SettingsForm &form = open();
        harness->provisioning->account = sampleAccount(u"2009"_s);

        form.beginAdding();
        QVERIFY(!form.shouldSaveManualConfiguration());
        form.setProvisioningURL(u"https://pbx.example.com/api/pabx-vozel?token=9"_s);
        QVERIFY(form.canFinish());
        form.finish();
        QTRY_COMPARE(closes->size(), 1);
        QCOMPARE(harness->model->account()->extension, u"2009"_s);
        QCOMPARE(harness->storedAccounts().accounts.size(), 3);
    }

    void aNewManualAccountGetsItsOwnDisplayName()
    {
        SIPAccountCollection collection;
        SIPAccount active = sampleAccount(u"2001"_s);
        active.displayName = u"Recepção"_s;
        collection.save(active);
        harness->storeAccounts(collection);
        SettingsForm &form = open();

        form.beginAdding();
        form.setSetupMode(SettingsForm::manualMode);
        fillManual(form, u"2002"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->model->account()->displayName, u"Ramal 2002"_s);

        form.beginEditing();
        form.setManualHost(u"pbx2.example.com"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts.size(), 2);
        QCOMPARE(harness->model->account()->host, u"pbx2.example.com"_s);
        QCOMPARE(harness->model->account()->displayName, u"Ramal 2002"_s);
    }

    void anEmptyNameClearsANicknameOnlyWhenEditingIt()
    {
        SIPAccountCollection collection;
        collection.save(sampleAccount(u"2001"_s), std::nullopt, u"Loja Sul"_s);
        harness->storeAccounts(collection);
        SettingsForm &form = open();

        // The same connection typed again as a new account updates the stored entry.
        form.beginAdding();
        form.setSetupMode(SettingsForm::manualMode);
        fillManual(form, u"2001"_s);
        form.setManualPassword(u"pw2001"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts.size(), 1);
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), u"Loja Sul"_s);

        // A link that updates the entry keeps the nickname too.
        harness->provisioning->account = sampleAccount(u"2001"_s);
        form.beginAdding();
        form.setProvisioningURL(u"https://pbx.example.com/api/pabx-vozel?token=1"_s);
        form.setSetupMode(SettingsForm::linkMode);
        QVERIFY(await(form.configureLink(false)));
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), u"Loja Sul"_s);

        form.beginEditing();
        QCOMPARE(form.manualName(), u"Loja Sul"_s);
        form.setManualName(QString());
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), QString());
        QCOMPARE(form.accountNickname(), QString());
    }

    void cancellingTheAdditionReturnsToTheActiveAccount()
    {
        harness->storeTwoAccounts();
        SettingsForm &form = open();

        form.beginAdding();
        form.cancelEditing();
        QVERIFY(form.addingAccount());
        form.setSetupMode(SettingsForm::manualMode);
        QVERIFY(form.shouldSaveManualConfiguration());

        form.cancelAdding();
        QVERIFY(!form.addingAccount());
        QVERIFY(!form.editingConfiguration());
        QVERIFY(!form.shouldSaveManualConfiguration());
        QVERIFY(form.canFinish());
    }

    void choosingAnAccountActivatesItAndLeavesEditing()
    {
        const SIPAccountCollection collection = harness->storeTwoAccounts();
        SettingsForm &form = open();
        form.beginEditing();
        const QString other = collection.accounts[0].idText(); // 2002

        form.chooseAccount(other);
        QVERIFY(!form.editingConfiguration());
        QTRY_COMPARE(harness->model->account()->extension, u"2002"_s);

        form.beginEditing();
        form.chooseAccount(QString());
        QVERIFY(!form.editingConfiguration());
        QCOMPARE(harness->model->account()->extension, u"2002"_s);
    }

    void theNicknameFieldFollowsTheActiveAccount()
    {
        SIPAccountCollection collection;
        collection.save(sampleAccount(u"2002"_s), std::nullopt, u"Casa Norte"_s);
        collection.save(sampleAccount(u"2001"_s));
        harness->storeAccounts(collection);
        SettingsForm &form = open();
        QCOMPARE(form.accountNickname(), QString());

        form.setAccountNickname(u"  Loja Sul "_s);
        form.renameAccount();
        QCOMPARE(harness->storedAccounts().active()->nameText(), u"Loja Sul"_s);

        form.chooseAccount(collection.accounts[0].idText());
        QTRY_COMPARE(form.accountNickname(), u"Casa Norte"_s);
    }

    void aSheetClosedDuringASaveIsLeftAlone()
    {
        harness->start();
        harness->provisioning->account = sampleAccount(u"2001"_s);
        harness->provisioning->gate.held = true;
        auto form = std::make_unique<SettingsForm>();
        form->setModel(harness->model.get());
        form->setProvisioningURL(u"https://pbx.example.com/api/pabx-vozel?token=1"_s);
        form->configureProvisioning();

        form.reset();
        harness->provisioning->gate.release();

        QTRY_VERIFY(!harness->model->changingAccount());
        QCOMPARE(harness->model->account()->extension, u"2001"_s);
    }
};

QTEST_MAIN(SettingsFormTest)
#include "SettingsFormTest.moc"
