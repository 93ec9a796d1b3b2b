#include "AccountPrinting.h"
#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "model/domain/VozelError.h"
#include "services/network/ProvisioningClient.h"

#include <QElapsedTimer>
#include <QTcpServer>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)

namespace {

const QString currentLink = u"/api/pabx-vozel?token=t0k3n&tenant=7"_s;
const QString legacyLink = u"/api/pabx-linphone?token=t0k3n&tenant=7"_s;
const SIPAccount account{u"2001"_s, u"a-2001"_s, u"pw"_s, u"pbx.example.com"_s, 5070, u"tcp"_s, u"Recepção"_s, 300};
const QByteArray accountAnswer =
    R"({"ok":true,"version":1,"account":)" + QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact) + "}";
const QByteArray legacyXml =
    R"(<config><entry name="reg_proxy">sip:legacy.example.com:5080</entry><entry name="username">3003</entry>)"
    R"(<entry name="passwd">pw</entry></config>)";

TaskResult<SIPAccount> provision(const QString &link, const QSslConfiguration &tls = HttpsTestServer::clientConfiguration())
{
    return runToEnd(ProvisioningClient(tls, 2s).provision(link));
}

} // namespace

class ProvisioningClientTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("requests");
        const QString invalid = VozelError::invalidResponse().description();
        const std::optional<SIPAccount> none;
        const SIPAccount legacyAccount{u"3003"_s, u"3003"_s, u"pw"_s, u"legacy.example.com"_s, 5080, u"udp"_s,
                                       u"Ramal 3003"_s, 600};

        QTest::newRow("account") << currentLink << QList{answer(200, accountAnswer)} << std::optional(account) << QString() << 1;
        QTest::newRow("valid answer over the size limit") << currentLink
            << QList{answer(200, accountAnswer + QByteArray(1024 * 1024, ' '))} << none << invalid << 1;
        QTest::newRow("404 on a current link ends at once")
            << currentLink << QList{answer(404, R"({"error":"Link não encontrado"})")} << none << u"Link não encontrado"_s << 1;
        QTest::newRow("201 is not success") << currentLink << QList{answer(201, accountAnswer)} << none
                                            << u"Não foi possível configurar o ramal."_s << 1;
        QTest::newRow("older link answered at the current path")
            << legacyLink << QList{answer(200, accountAnswer)} << std::optional(account) << QString() << 1;
        QTest::newRow("older link falls back and reads XML")
            << legacyLink << QList{answer(404, "{}"), answer(200, legacyXml, "Content-Type: text/xml\r\n")}
            << std::optional(legacyAccount) << QString() << 2;
        QTest::newRow("older link refused twice shows the second answer")
            << legacyLink << QList{answer(404, R"({"error":"primeira"})"), answer(410, R"({"error":"segunda"})")} << none
            << u"segunda"_s << 2;
        QTest::newRow("older link with an unusable 200 does not fall back")
            << legacyLink << QList{answer(200, "{}")} << none << invalid << 1;
        QTest::newRow("link without a token sends nothing") << u"/api/pabx-vozel?t=1"_s << QList{answer(200, accountAnswer)}
                                                            << none << VozelError::invalidQRCode().description() << 0;
    }

    void answers()
    {
        QFETCH(QString, link);
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(std::optional<SIPAccount>, account);
        QFETCH(QString, failure);
        QFETCH(int, requests);
        HttpsTestServer server(script);

        const auto result = provision(server.url(link).toString());

        QCOMPARE(result.value, account);
        if (!account)
            QCOMPARE(result.errorAs<VozelError>().value_or(VozelError::server({})).description(), failure);
        QCOMPARE(server.requests.size(), requests);
        for (qsizetype i = 0; i < requests; ++i) {
            const RecordedRequest &request = server.requests[i];
            QCOMPARE(request.method, "GET");
            QCOMPARE(QString::fromUtf8(request.target), i == 0 ? currentLink : legacyLink);
            QCOMPARE(request.headers.value("accept"), "application/json");
            QVERIFY(request.body.isEmpty());
            for (const char *absent : {"content-type", "authorization", "cookie"})
                QVERIFY2(!request.headers.contains(absent), absent);
        }
    }

    // Each ends as a failure of the network, in its own words, never as an answer of the operator.
    void transportFailures()
    {
        QTcpServer plainServer;
        QVERIFY(plainServer.listen(QHostAddress::LocalHost));
        const auto plainUrl = u"http://127.0.0.1:%1/x"_s.arg(plainServer.serverPort()).toUtf8();
        HttpsTestServer server({silence()});
        const QString redirect = server.url(currentLink).toString();
        server.script = {answer(302, {}, "Location: " + redirect.toUtf8() + "\r\n"), answer(200, accountAnswer),
                         answer(301, {}, "Location: " + plainUrl + "\r\n"), silence()};
        QCOMPARE(provision(server.url(u"/api/pabx-vozel?token=1"_s).toString()).value, account);
        QCOMPARE(server.requests[1].target, currentLink.toUtf8());

        QElapsedTimer clock;
        clock.start();
        // Never from HTTPS to plain HTTP: the password would travel in clear text. Then silence.
        for (int i = 0; i < 2; ++i)
            QVERIFY(!provision(server.url(currentLink).toString()).errorAs<PlatformError>().value_or(PlatformError(
                QString())).description().isEmpty());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(server.requests.size(), 4);
        QTest::qWait(100);
        QVERIFY(!plainServer.hasPendingConnections());

        quint16 closedPort = 0;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            closedPort = closed.serverPort();
        }
        for (const auto &result : {provision(u"https://127.0.0.1:%1%2"_s.arg(closedPort).arg(currentLink)),
                                   provision(redirect, QSslConfiguration::defaultConfiguration())}) {
            QVERIFY(!result.errorAs<VozelError>());
            QVERIFY(!result.errorAs<PlatformError>().value_or(PlatformError(QString())).description().isEmpty());
        }
        QCOMPARE(server.requests.size(), 4);
    }
};

QTEST_GUILESS_MAIN(ProvisioningClientTest)
#include "ProvisioningClientTest.moc"
