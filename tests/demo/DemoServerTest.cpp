// The demo's operator server as the application meets it: its answers go through Vozel's own
// provisioning client and caller-origin lookup, over TLS trusted through the demo's authority.

#include "DemoHttpsServer.h"
#include "TaskResult.h"
#include "model/domain/Failure.h"
#include "services/network/CallSourceClient.h"
#include "services/network/ProvisioningClient.h"

#include <QSslCertificate>
#include <QTest>
#include <QUrl>

using namespace vozel;
using namespace vozel::demo;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

constexpr quint16 sipPort = 47061;

class DemoServerTest : public QObject {
    Q_OBJECT

    const DemoPlan m_plan = DemoPlan::read(QStringLiteral(VOZEL_DEMO_PLAN));
    QSslConfiguration m_tls = QSslConfiguration::defaultConfiguration();
    std::unique_ptr<DemoHttpsServer> m_server;

    QString address(const QString &pathAndQuery) const
    {
        return u"https://127.0.0.1:%1%2"_s.arg(m_server->port()).arg(pathAndQuery);
    }

    // The extension the links hand out, as the application stores it.
    SIPAccount provisioned() const
    {
        const DemoExtension &extension = *m_plan.extension(m_plan.provisionedExtension);
        return {extension.number, extension.number, extension.password, u"127.0.0.1"_s, sipPort, u"udp"_s,
                extension.name, 600};
    }

private slots:
    void initTestCase()
    {
        const QString certificates = QStringLiteral(VOZEL_DEMO_CERTIFICATES);
        m_tls.setCaCertificates(QSslCertificate::fromPath(certificates + u"/ca.pem"_s));
        m_server = std::make_unique<DemoHttpsServer>(DemoAnswers(m_plan, sipPort), certificates + u"/server-chain.pem"_s,
                                                     certificates + u"/server.key"_s);
        QVERIFY2(m_server->listen(0), qPrintable(m_server->errorString()));
    }

    void linksGiveTheAccountOrSayWhyNot_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("error");
        const QString legacy = address(u"/api/pabx-linphone?token="_s + m_plan.legacyToken);
        QTest::newRow("current, in JSON") << address(u"/api/pabx-vozel?token="_s + m_plan.token) << QString();
        QTest::newRow("old, in XML at its own address") << legacy << QString();
        QTest::newRow("unknown token") << address(u"/api/pabx-vozel?token=nada"_s)
                                       << u"Link de provisionamento inválido ou expirado."_s;
        QTest::newRow("old token at the current address")
            << address(u"/api/pabx-vozel?token="_s + m_plan.legacyToken)
            << u"Link antigo: use o endereço de provisionamento anterior."_s;
    }

    void linksGiveTheAccountOrSayWhyNot()
    {
        QFETCH(QString, link);
        QFETCH(QString, error);
        ProvisioningClient client(m_tls, 10s);
        const test::TaskResult<SIPAccount> result = test::runToEnd(client.provision(link));
        const std::optional<Failure> failure = result.errorAs<Failure>();
        QCOMPARE(failure ? failure->description() : QString(), error);
        QCOMPARE(result.value, error.isEmpty() ? std::optional(provisioned()) : std::nullopt);
    }

    void onlyTheLabelledCallerHasAnOrigin_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<QString>("password");
        QTest::addColumn<std::optional<QString>>("label");
        const DemoOrigin &origin = m_plan.origins.first();
        QTest::newRow("labelled") << origin.caller << provisioned().password << std::optional(origin.label);
        QTest::newRow("another caller") << u"2003"_s << provisioned().password << std::optional<QString>();
        QTest::newRow("wrong password") << origin.caller << u"errada"_s << std::optional<QString>();
    }

    void onlyTheLabelledCallerHasAnOrigin()
    {
        QFETCH(QString, caller);
        QFETCH(QString, password);
        QFETCH(std::optional<QString>, label);
        SIPAccount account = provisioned();
        account.password = password;
        CallSourceClient lookup(QUrl(address(u"/api/pabx-vozel"_s)), m_tls);
        QCOMPARE(QCoro::waitFor(lookup.resolve({{}, account, {}, true}, caller, {})), label);
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "DemoServerTest.moc"
