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
    QString m_address;

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
        m_address = u"https://127.0.0.1:%1/api/"_s.arg(m_server->port());
    }

    void linksAndOriginsAnswerAsTheApplicationExpects()
    {
        ProvisioningClient client(m_tls, 10s);
        const auto provision = [&](const QString &pathAndQuery) {
            const test::TaskResult<SIPAccount> result = test::runToEnd(client.provision(m_address + pathAndQuery));
            const std::optional<Failure> failure = result.errorAs<Failure>();
            return failure ? failure->description() : result.value == provisioned() ? u"provisioned"_s : u"other"_s;
        };
        QCOMPARE(provision(u"pabx-vozel?token="_s + m_plan.token), u"provisioned"_s);
        QCOMPARE(provision(u"pabx-linphone?token="_s + m_plan.legacyToken), u"provisioned"_s); // in XML
        QCOMPARE(provision(u"pabx-vozel?token=nada"_s), u"Link de provisionamento inválido ou expirado."_s);
        QCOMPARE(provision(u"pabx-vozel?token="_s + m_plan.legacyToken),
                 u"Link antigo: use o endereço de provisionamento anterior."_s);

        // Only the labelled caller has an origin, and only for the extension's own password.
        CallSourceClient lookup(QUrl(m_address + u"pabx-vozel"_s), m_tls);
        const auto origin = [&](const QString &caller, const QString &password) {
            SIPAccount account = provisioned();
            account.password = password;
            return QCoro::waitFor(lookup.resolve({{}, account, {}, true}, caller, {}));
        };
        const DemoOrigin &labelled = m_plan.origins.first();
        QCOMPARE(origin(labelled.caller, provisioned().password), std::optional(labelled.label));
        QCOMPARE(origin(u"2003"_s, provisioned().password), std::optional<QString>());
        QCOMPARE(origin(labelled.caller, u"errada"_s), std::optional<QString>());
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "DemoServerTest.moc"
