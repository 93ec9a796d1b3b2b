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
    void launch_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("startFailure");
        QTest::addColumn<RegistrationState>("registration");
        QTest::addColumn<QStringList>("operations");
        const QStringList started{u"start 2001"_s};
        QTest::newRow("first launch") << false << true << QString() << RegistrationState::notConfigured() << QStringList();
        QTest::newRow("active account") << true << true << QString() << RegistrationState::connecting() << started;
        QTest::newRow("switch off") << true << false << QString() << RegistrationState::disabled() << QStringList();
        QTest::newRow("start fails") << true << true << u"Endereço inválido"_s
                                     << RegistrationState::failed(u"Endereço inválido"_s) << started;
    }

    void launch()
    {
        QFETCH(bool, stored);
        QFETCH(bool, switchOn);
        QFETCH(QString, startFailure);
        QFETCH(RegistrationState, registration);
        QFETCH(QStringList, operations);
        ModelHarness h;
        if (stored)
            h.storeTwoAccounts();
        h.defaults->setBool(VozelModel::registrationEnabledKey, switchOn);
        if (!startFailure.isEmpty())
            h.engine->startFailure = Failure(startFailure);
        auto &model = h.create();
        // The connection waits for the event loop, so the window shows first.
        QVERIFY(h.engine->operations.isEmpty());
        QCOMPARE(model.account().has_value(), stored);
        QCoreApplication::processEvents();
        QCOMPARE(h.engine->operations, operations);
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
        QVERIFY(model.savedAccounts().isEmpty());
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.secrets->writes, 0);

        h.secrets->failureStatus = 0;
        model.setErrorMessage(QString());
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), keychainMessage);
        QVERIFY(model.registrationEnabled());
        QCOMPARE(model.savedAccounts().size(), 2);
        QCOMPARE(h.engine->operations, QStringList{u"start 2001"_s});
        QVERIFY(!model.changingAccount());

        // A failed save changes nothing; one that timed out and lands later gets back what is shown.
        h.engine->operations.clear();
        h.secrets->failureStatus = -25293;
        QCoro::waitFor(model.selectAccount(stored.accounts[0].id));
        QCOMPARE(model.errorMessage(), u"Não foi possível proteger a credencial do ramal."_s);
        QCOMPARE(model.account()->extension, u"2001"_s);
        h.provisioning->account = sampleAccount(u"3001"_s);
        QVERIFY(!QCoro::waitFor(model.configure(u"link"_s, u"Nova"_s)));
        QCOMPARE(model.savedAccounts().size(), 2);
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(model.savedAccounts()[1].label(), u"Ramal 2001"_s);
        QVERIFY(h.engine->operations.isEmpty());
        h.secrets->failureStatus = 0;
        h.secrets->lateWrites = 1;
        model.renameActiveAccount(u"Casa"_s);
        QCOMPARE(h.storedAccounts(), stored);

        model.setErrorMessage(QString());
        QCoro::waitFor(model.selectAccount(QUuid::createUuid()));
        model.setNumber(u"123"_s);
        QSignalSpy gate(&model, &VozelModel::changingAccountChanged);
        QCoro::waitFor(model.selectAccount(stored.accounts[0].id));
        QVERIFY(model.errorMessage().isEmpty() && !model.changingAccount());
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(*h.storedAccounts().activeID, stored.accounts[0].id);
        QCOMPARE(model.number(), QString());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2002"_s}));
        QCOMPARE(gate.count(), 2);
    }

    // A call that arrives while a link is resolved discards the account it gives.
    void provisioningAnAccount()
    {
        ModelHarness h;
        auto &model = h.start();
        h.provisioning->failure = VozelError::invalidQRCode();
        QVERIFY(!QCoro::waitFor(model.configure(u"x"_s, std::nullopt)));
        QCOMPARE(model.errorMessage(), u"Este QR Code não pertence ao Vozel."_s);
        QVERIFY(h.secrets->items.isEmpty());

        h.provisioning->failure.reset();
        h.provisioning->account = sampleAccount(u"2001"_s);
        h.provisioning->gate.held = true;
        auto pending = model.configure(u"link"_s, std::nullopt);
        QVERIFY(model.changingAccount());
        // Another change and an outgoing call are refused while the request runs.
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.registrationEnabled());
        model.setNumber(u"2002"_s);
        model.call();
        QVERIFY(!h.engine->operations.contains(u"call 2002"_s));
        h.engine->report(VozelCallState::incoming(u"3000"_s));
        model.setErrorMessage(QString());
        h.provisioning->gate.release();
        QVERIFY(!QCoro::waitFor(std::move(pending)));
        QCOMPARE(model.errorMessage(), endCallMessage);
        QVERIFY(model.savedAccounts().isEmpty());
        QVERIFY(!model.changingAccount());

        h.engine->report(VozelCallState::idle());
        h.provisioning->gate.held = false;
        h.engine->operations.clear();
        QVERIFY(QCoro::waitFor(model.configure(u" link "_s, u"  Loja Sul "_s)));
        QCOMPARE(model.savedAccounts()[0].label(), u"Loja Sul · Ramal 2001"_s);
        QVERIFY(model.savedAccounts()[0].provisioned);
        QCOMPARE(h.storedAccounts().accounts, model.savedAccounts());
        QCOMPARE(h.engine->operations, (QStringList{u"stop"_s, u"start 2001"_s}));

        // With the switch off an account is stored without connecting.
        QCoro::waitFor(model.setRegistrationEnabled(false));
        QCOMPARE(h.defaults->boolValue(VozelModel::registrationEnabledKey), false);
        h.provisioning->account = sampleAccount(u"2002"_s);
        h.engine->operations.clear();
        QVERIFY(QCoro::waitFor(model.configure(u"link"_s, std::nullopt)));
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(model.registration(), RegistrationState::disabled());
        QCOMPARE(h.engine->operations, QStringList{u"stop"_s});

        QCoro::waitFor(model.setRegistrationEnabled(true));
        QCOMPARE(h.engine->operations.last(), u"start 2002"_s);
        QCOMPARE(model.registration(), RegistrationState::connecting());
    }

    void manualEntry_data()
    {
        QTest::addColumn<ManualAccountEntry>("entry");
        QTest::addColumn<qint64>("port"); // 0: refused
        const ManualAccountEntry typed{.extension = u" 2001 "_s,
                                       .password = u" pw "_s,
                                       .host = u" pbx.example.com\n"_s,
                                       .port = u"5070"_s,
                                       .transport = u"UDP"_s};
        const auto with = [&](auto change) {
            ManualAccountEntry entry = typed;
            change(entry);
            return entry;
        };
        const auto port = [&](const QString &text) { return with([&](auto &e) { e.port = text; }); };
        QTest::newRow("complete") << typed << qint64(5070);
        QTest::newRow("password of blanks") << with([](auto &e) { e.password = u"  "_s; }) << qint64(5070);
        QTest::newRow("no password") << with([](auto &e) { e.password.clear(); }) << qint64(0);
        QTest::newRow("extension of blanks") << with([](auto &e) { e.extension = u" \n\t"_s; }) << qint64(0);
        QTest::newRow("host of blanks") << with([](auto &e) { e.host = u"  "_s; }) << qint64(0);
        QTest::newRow("highest port") << port(u"65535"_s) << qint64(65535);
        QTest::newRow("plus sign") << port(u"+5061"_s) << qint64(5061);
        QTest::newRow("port zero") << port(u"0"_s) << qint64(0);
        QTest::newRow("port too high") << port(u"65536"_s) << qint64(0);
        QTest::newRow("negative port") << port(u"-5060"_s) << qint64(0);
        QTest::newRow("blank around port") << port(u" 5060"_s) << qint64(0);
        QTest::newRow("arabic-indic digits") << port(u"\u0665\u0660\u0666\u0660"_s) << qint64(0);
    }

    void manualEntry()
    {
        QFETCH(ManualAccountEntry, entry);
        QFETCH(qint64, port);
        ModelHarness h;
        auto &model = h.start();
        QCOMPARE(entry.isComplete(), port != 0);
        QCOMPARE(QCoro::waitFor(model.saveManualAccount(entry)), port != 0);
        QVERIFY(!model.changingAccount());
        if (port == 0) {
            QCOMPARE(model.errorMessage(), entry.hasRequiredFields() ? u"Preencha ramal, senha, servidor e porta."_s
                                                                     : u"Preencha ramal, senha e servidor."_s);
            QVERIFY(h.secrets->items.isEmpty());
            return;
        }
        const SIPAccount expected{u"2001"_s, u"2001"_s, entry.password, u"pbx.example.com"_s, port, u"udp"_s,
                                  u"Ramal 2001"_s, 600};
        QCOMPARE(*model.account(), expected);
    }

    // Renaming is allowed during a call; removing waits for its end.
    void renamingAndRemovingAccounts()
    {
        ModelHarness h;
        h.storeTwoAccounts();
        auto &model = h.start();
        h.connectCallTo(u"2002"_s);
        model.renameActiveAccount(u"  Loja  "_s);
        QCOMPARE(h.storedAccounts().accounts[1].name, u"Loja"_s);
        QCoro::waitFor(model.reset());
        QCOMPARE(model.errorMessage(), endCallMessage);
        QCOMPARE(h.storedAccounts().accounts.size(), 2);

        h.engine->report(VozelCallState::idle());
        model.setNumber(u"99"_s);
        QCoro::waitFor(model.reset());
        QCOMPARE(model.account()->extension, u"2002"_s);
        QCOMPARE(model.number(), QString());
        QCOMPARE(h.engine->operations.last(), u"start 2002"_s);

        QCoro::waitFor(model.reset());
        QVERIFY(!model.account());
        QCOMPARE(model.registration(), RegistrationState::notConfigured());
        QCOMPARE(h.engine->operations.last(), u"stop"_s);
        QVERIFY(h.storedAccounts().accounts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ModelAccountsTest)
#include "ModelAccountsTest.moc"
