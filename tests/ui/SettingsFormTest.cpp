// The settings sheet's flows over a real model built on the test fakes.
#include "ModelHarness.h"

#include "ui/SettingsForm.h"

using namespace Qt::StringLiterals;
using namespace vozel;
using namespace vozel::test;
using vozel::ui::SettingsForm;

namespace {

const QString manualSaved = u"Configuração salva. Verifique o estado do ramal acima."_s;
const QString provisioningLink = u"https://pbx.example.com/api/pabx-vozel?token=1"_s;

void fillManual(SettingsForm &form, const QString &extension)
{
    form.setSetupMode(SettingsForm::manualMode);
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

    void addingOpensAnEmptyFormAndCancellingReturns()
    {
        harness->storeTwoAccounts();
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);
        form.setManualHost(u"left over"_s);
        form.setProvisioningURL(u"https://left.over"_s);

        form.beginAdding();
        QVERIFY(form.addingAccount());
        const QStringList shown{form.manualHost(), form.provisioningURL(), form.manualPort(), form.manualTransport()};
        QCOMPARE(shown, (QStringList{QString(), QString(), u"5060"_s, u"udp"_s}));
        QVERIFY(form.shouldSaveManualConfiguration());
        QVERIFY(!form.canFinish());

        // The edit form's own "Cancelar" does not leave the addition; the addition's does.
        form.cancelEditing();
        QVERIFY(form.addingAccount());
        form.cancelAdding();
        QVERIFY(!form.addingAccount());
        QVERIFY(!form.editingConfiguration());
        QVERIFY(!form.shouldSaveManualConfiguration());
        QVERIFY(form.canFinish());
    }

    // Editing keeps the account's own display name; a new account never takes it.
    void editingLoadsAndReplacesTheActiveAccount()
    {
        SIPAccountCollection collection;
        SIPAccount account = sampleAccount(u"2001"_s);
        account.transport = u"TLS"_s;
        account.port = 5061;
        account.displayName = u"Recepção"_s;
        collection.save(account, std::nullopt, u"Loja Sul"_s);
        harness->storeAccounts(collection);
        SettingsForm &form = open();
        QCOMPARE(form.accountNickname(), u"Loja Sul"_s);

        form.beginEditing();
        QVERIFY(form.editingConfiguration());
        const QStringList shown{form.manualName(), form.manualExtension(), form.manualUser(), form.manualPassword(),
                                form.manualHost(), form.manualPort(), form.manualTransport()};
        QCOMPARE(shown, (QStringList{u"Loja Sul"_s, u"2001"_s, u"2001"_s, u"pw2001"_s, u"pbx.example.com"_s,
                                     u"5061"_s, u"tls"_s}));
        form.setManualHost(u"pbx2.example.com"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts.size(), 1);
        QCOMPARE(harness->model->account()->host, u"pbx2.example.com"_s);
        QCOMPARE(harness->model->account()->displayName, u"Recepção"_s);

        form.beginAdding();
        fillManual(form, u"2002"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->model->account()->displayName, u"Ramal 2002"_s);
    }

    void finishingSavesAndClosesOnlyAfterSuccess()
    {
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);
        QVERIFY(!form.canFinish());
        form.saveManualConfiguration();
        QCOMPARE(form.saveStatus(), u"Preencha ramal, senha, servidor e porta."_s);
        QVERIFY(harness->engine->operations.isEmpty());

        fillManual(form, u" 2001 "_s);
        harness->secrets->failureStatus = -25308;
        form.finish();
        QVERIFY(settle(form));
        QVERIFY(closes->isEmpty());
        QVERIFY(!harness->model->errorMessage().isEmpty());
        QCOMPARE(form.saveStatus(), harness->model->errorMessage());

        harness->secrets->failureStatus = InMemorySecretItemStore::success;
        form.finish();
        QTRY_COMPARE(closes->size(), 1);
        QCOMPARE(form.saveStatus(), manualSaved);
        QCOMPARE(harness->storedAccounts().accounts[0].account.extension, u"2001"_s);
    }

    // While a link is resolved "Concluir" waits; a sheet closed meanwhile is left alone.
    void aSaveInProgress()
    {
        harness->provisioning->gate.held = true;
        harness->provisioning->account = sampleAccount(u"2001"_s);
        auto closed = std::make_unique<SettingsForm>();
        closed->setModel(&harness->start());
        closed->setProvisioningURL(provisioningLink);
        closed->configureProvisioning();
        closed.reset();
        harness->provisioning->gate.release();
        QTRY_VERIFY(!harness->model->changingAccount());
        QCOMPARE(harness->model->account()->extension, u"2001"_s);

        SettingsForm form;
        form.setModel(harness->model.get());
        form.beginAdding();
        form.setProvisioningURL(provisioningLink);
        harness->provisioning->gate.held = true;
        form.configureProvisioning();
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
        form.setProvisioningURL(provisioningLink);
        QVERIFY(form.canFinish());
        form.finish();
        QTRY_COMPARE(closes->size(), 1);
        QCOMPARE(harness->model->account()->extension, u"2009"_s);
        QCOMPARE(harness->storedAccounts().accounts.size(), 3);
    }

    void anEmptyNameClearsANicknameOnlyWhenEditingIt()
    {
        SIPAccountCollection collection;
        collection.save(sampleAccount(u"2001"_s), std::nullopt, u"Loja Sul"_s);
        harness->storeAccounts(collection);
        SettingsForm &form = open();

        // The same connection typed again as a new account updates the stored entry.
        form.beginAdding();
        fillManual(form, u"2001"_s);
        form.setManualPassword(u"pw2001"_s);
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts.size(), 1);
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), u"Loja Sul"_s);

        // A link that updates the entry keeps the nickname too.
        harness->provisioning->account = sampleAccount(u"2001"_s);
        form.beginAdding();
        form.setProvisioningURL(provisioningLink);
        form.setSetupMode(SettingsForm::linkMode);
        QVERIFY(await(form.configureLink(false)));
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), u"Loja Sul"_s);

        form.beginEditing();
        form.setManualName(QString());
        QVERIFY(await(form.saveManual(false)));
        QCOMPARE(harness->storedAccounts().accounts[0].nameText(), QString());
        QCOMPARE(form.accountNickname(), QString());
    }

    void choosingAnAccountLeavesEditingAndShowsItsNickname()
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

        form.beginEditing();
        form.chooseAccount(collection.accounts[0].idText());
        QVERIFY(!form.editingConfiguration());
        QTRY_COMPARE(form.accountNickname(), u"Casa Norte"_s);
        QCOMPARE(harness->model->account()->extension, u"2002"_s);

        form.beginEditing();
        form.chooseAccount(QString());
        QVERIFY(!form.editingConfiguration());
        QCOMPARE(harness->model->account()->extension, u"2002"_s);
    }
};

QTEST_MAIN(SettingsFormTest)
#include "SettingsFormTest.moc"
