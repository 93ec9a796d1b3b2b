// The settings sheet's flows; what the sheet shows of them is tst_settings.qml's.
#include "ModelHarness.h"

#include "ui/SettingsForm.h"

using namespace Qt::StringLiterals;
using namespace vozel;
using namespace vozel::test;
using vozel::ui::SettingsForm;

namespace {

const QString provisioningLink = u"https://pbx.example.com/api/pabx-vozel?token=1"_s;

void fillManual(SettingsForm &form, const QString &extension)
{
    form.setSetupMode(SettingsForm::manualMode);
    form.setManualExtension(extension);
    form.setManualPassword(u"pw"_s + extension.trimmed());
    form.setManualHost(u"pbx.example.com"_s);
}

} // namespace

class SettingsFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ModelHarness> h;
    std::unique_ptr<SettingsForm> m_form;
    std::unique_ptr<QSignalSpy> closes;

    SettingsForm &open(const SIPAccountCollection &collection = {})
    {
        h->storeAccounts(collection);
        m_form = std::make_unique<SettingsForm>();
        m_form->setModel(&h->start());
        closes = std::make_unique<QSignalSpy>(m_form.get(), &SettingsForm::closeRequested);
        return *m_form;
    }

    QList<SavedSIPAccount> stored() const { return h->storedAccounts().accounts; }

private slots:
    void init()
    {
        closes.reset();
        m_form.reset();
        h = std::make_unique<ModelHarness>();
    }

    // The empty manual form that adding opens neither blocks "Concluir" nor is saved in place of the link.
    void addingAnAccount()
    {
        SettingsForm &form = open(h->storeTwoAccounts());
        form.setSetupMode(SettingsForm::manualMode);
        form.setManualHost(u"left over"_s);
        form.setProvisioningURL(u"https://left.over"_s);
        form.beginAdding();
        const QStringList shown{form.manualHost(), form.provisioningURL(), form.manualPort(), form.manualTransport()};
        QCOMPARE(shown, (QStringList{QString(), QString(), u"5060"_s, u"udp"_s}));
        QVERIFY(form.shouldSaveManualConfiguration() && !form.canFinish());
        form.cancelAdding();
        QVERIFY(!form.addingAccount() && !form.editingConfiguration() && form.canFinish());
        form.beginAdding();
        h->provisioning->account = sampleAccount(u"2009"_s);
        form.setSetupMode(SettingsForm::linkMode);
        form.setProvisioningURL(provisioningLink);
        QVERIFY(!form.shouldSaveManualConfiguration() && form.canFinish());
        form.finish();
        QTRY_COMPARE(closes->size(), 1);
        QCOMPARE(h->model->account()->extension, u"2009"_s);
        QVERIFY(!form.addingAccount());

        // Choosing an account leaves editing and shows its own nickname.
        form.setAccountNickname(u"Loja Sul"_s);
        form.renameAccount();
        for (const auto &[chosen, nickname] : {std::pair(0, QString()), std::pair(2, u"Loja Sul"_s)}) {
            form.beginEditing();
            form.chooseAccount(stored()[chosen].idText());
            QVERIFY(!form.editingConfiguration());
            QTRY_COMPARE(form.accountNickname(), nickname);
        }
    }

    // "Concluir" closes only after a save that worked; a sheet closed while a link is resolved is left alone.
    void finishing()
    {
        SettingsForm &form = open();
        form.setSetupMode(SettingsForm::manualMode);
        form.saveManualConfiguration();
        QCOMPARE(form.saveStatus(), u"Preencha ramal, senha, servidor e porta."_s);
        fillManual(form, u" 2001 "_s);
        h->secrets->failureStatus = -25308;
        form.finish();
        QTRY_VERIFY(!h->model->changingAccount());
        QVERIFY(closes->isEmpty());
        QCOMPARE(form.saveStatus(), h->model->errorMessage());
        h->secrets->failureStatus = InMemorySecretItemStore::success;
        form.finish();
        QTRY_COMPARE(closes->size(), 1);

        h->provisioning->gate.held = true;
        h->provisioning->account = sampleAccount(u"2002"_s);
        form.beginAdding();
        form.setSetupMode(SettingsForm::linkMode);
        form.setProvisioningURL(provisioningLink);
        form.configureProvisioning();
        QVERIFY(!form.canFinish());
        m_form.reset();
        h->provisioning->gate.release();
        QTRY_VERIFY(!h->model->changingAccount());
        QCOMPARE(h->model->account()->extension, u"2002"_s);
    }

    // An account added again (by hand or link) keeps its nickname, a new one takes neither.
    void editingAndNicknames()
    {
        SIPAccountCollection collection;
        SIPAccount account = sampleAccount(u"2001"_s);
        account.transport = u"TLS"_s;
        account.displayName = u"Recepção"_s;
        collection.save(account, std::nullopt, u"Loja Sul"_s);
        SettingsForm &form = open(collection);
        form.beginEditing();
        const QStringList shown{form.manualName(), form.manualExtension(), form.manualUser(), form.manualPassword(),
                                form.manualHost(), form.manualPort(), form.manualTransport()};
        QCOMPARE(shown, (QStringList{u"Loja Sul"_s, u"2001"_s, u"2001"_s, u"pw2001"_s, u"pbx.example.com"_s,
                                     u"5060"_s, u"tls"_s}));
        form.setManualHost(u"pbx2.example.com"_s);
        QVERIFY(QCoro::waitFor(form.saveManual(false)));
        QCOMPARE(stored().size(), 1);
        QCOMPARE(h->model->account()->host, u"pbx2.example.com"_s);
        QCOMPARE(h->model->account()->displayName, u"Recepção"_s);

        form.beginAdding();
        fillManual(form, u"2001"_s);
        form.setManualHost(u"pbx2.example.com"_s);
        form.setManualTransport(u"tls"_s);
        QVERIFY(QCoro::waitFor(form.saveManual(false)));
        QCOMPARE(stored()[0].nameText(), u"Loja Sul"_s);
        h->provisioning->account = stored()[0].account;
        form.beginAdding();
        form.setProvisioningURL(provisioningLink);
        QVERIFY(QCoro::waitFor(form.configureLink(false)));
        QCOMPARE(stored()[0].nameText(), u"Loja Sul"_s);

        form.beginEditing();
        form.setManualName(QString());
        QVERIFY(QCoro::waitFor(form.saveManual(false)));
        QCOMPARE(stored()[0].nameText(), QString());
        QCOMPARE(form.accountNickname(), QString());

        form.beginAdding();
        fillManual(form, u"2002"_s);
        QVERIFY(QCoro::waitFor(form.saveManual(false)));
        QCOMPARE(h->model->account()->displayName, u"Ramal 2002"_s);
    }
};

QTEST_MAIN(SettingsFormTest)
#include "SettingsFormTest.moc"
