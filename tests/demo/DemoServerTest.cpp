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
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr quint16 sipPort = 47061;
const QString certificates = QStringLiteral(VOZEL_DEMO_CERTIFICATES);

QSslConfiguration trustingTheDemo()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(certificates + u"/ca.pem"_s));
    return tls;
}

} // namespace

class DemoServerTest : public QObject {
    Q_OBJECT

    DemoPlan m_plan;
    std::unique_ptr<DemoHttpsServer> m_server;
    QStringList m_notes;

    QString address(const QString &pathAndQuery) const
    {
        return u"https://127.0.0.1:%1%2"_s.arg(m_server->port()).arg(pathAndQuery);
    }

    SIPAccount provisioned() const
    {
        const DemoExtension &extension = *m_plan.extension(m_plan.provisionedExtension);
        return {extension.number, extension.number, extension.password, u"127.0.0.1"_s, sipPort, u"udp"_s,
                extension.name, 600};
    }

private slots:
    void initTestCase()
    {
        m_plan = DemoPlan::read(QStringLiteral(VOZEL_DEMO_PLAN));
        m_server = std::make_unique<DemoHttpsServer>(DemoAnswers(m_plan, sipPort), certificates + u"/server-chain.pem"_s,
                                                     certificates + u"/server.key"_s);
        m_server->onNote = [this](const QString &note) { m_notes << note; };
        QVERIFY2(m_server->listen(0), qPrintable(m_server->errorString()));
    }

    void init() { m_notes.clear(); }

    void linksGiveTheSameAccountInEitherForm_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("requests");

        const QString current = u"/api/pabx-vozel?token="_s + m_plan.token;
        const QString legacy = u"/api/pabx-linphone?token="_s + m_plan.legacyToken;
        QTest::newRow("current link, JSON") << address(current) << QString() << 1;
        QTest::newRow("old link, refused at the current address, XML at its own")
            << address(legacy) << QString() << 2;
        QTest::newRow("old link wrapped and encoded")
            << u"linphone-config://"_s + QString::fromLatin1(QUrl::toPercentEncoding(address(legacy))) << QString() << 2;
        QTest::newRow("unknown token") << address(u"/api/pabx-vozel?token=nada"_s)
                                       << u"Link de provisionamento inválido ou expirado."_s << 1;
        QTest::newRow("old token on a current link")
            << address(u"/api/pabx-vozel?token="_s + m_plan.legacyToken)
            << u"Link antigo: use o endereço de provisionamento anterior."_s << 1;
    }

    void linksGiveTheSameAccountInEitherForm()
    {
        QFETCH(QString, link);
        QFETCH(QString, error);
        QFETCH(int, requests);

        ProvisioningClient client(trustingTheDemo(), 10s);
        const TaskResult<SIPAccount> result = runToEnd(client.provision(link));
        if (error.isEmpty()) {
            QVERIFY2(result.value, qPrintable(result.errorAs<Failure>() ? result.errorAs<Failure>()->description()
                                                                         : u"no account"_s));
            QCOMPARE(*result.value, provisioned());
        } else {
            QVERIFY(!result.value);
            QCOMPARE(result.errorAs<Failure>()->description(), error);
        }
        QCOMPARE(m_notes.size(), requests);
    }

    void onlyTheLabelledNumberHasAnOrigin_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<QString>("password");
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<int>("requests");

        const QString password = provisioned().password;
        QTest::newRow("labelled") << m_plan.origins.first().caller << password
                                  << std::optional(m_plan.origins.first().label) << 1;
        QTest::newRow("another extension") << u"2003"_s << password << std::optional<QString>() << 3;
        QTest::newRow("wrong password") << m_plan.origins.first().caller << u"errada"_s << std::optional<QString>() << 1;
    }

    void onlyTheLabelledNumberHasAnOrigin()
    {
        QFETCH(QString, caller);
        QFETCH(QString, password);
        QFETCH(std::optional<QString>, label);
        QFETCH(int, requests);

        SIPAccount account = provisioned();
        account.password = password;
        CallSourceClient lookup(QUrl(address(u"/api/pabx-vozel"_s)), trustingTheDemo());
        QCOMPARE(QCoro::waitFor(lookup.resolve({{}, account, {}, true}, caller, {})), label);
        QCOMPARE(m_notes.size(), requests);
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "DemoServerTest.moc"
