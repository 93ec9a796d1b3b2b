#include "AccountPrinting.h"
#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "model/domain/VozelError.h"
#include "services/network/ProvisioningClient.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)

namespace {

const QString defaultServerMessage = u"Não foi possível configurar o ramal."_s;
const QString invalidResponse = u"O servidor retornou uma configuração inválida."_s;
const QString currentPath = u"/api/pabx-vozel"_s;
const QString legacyPath = u"/api/pabx-linphone"_s;
const QString query = u"token=t0k3n&tenant=7"_s;

const SIPAccount serverAccount{u"2001"_s, u"auth-2001"_s, u"s3cret"_s, u"pbx.example.com"_s, 5070, u"tcp"_s,
                               u"Recepção"_s, 300};

QByteArray answerBody(const QJsonObject &account, bool ok = true, int version = 1)
{
    return QJsonDocument(QJsonObject{{"ok"_L1, ok}, {"version"_L1, version}, {"account"_L1, account}})
        .toJson(QJsonDocument::Compact);
}

ScriptedReply ok(const QByteArray &body)
{
    return ScriptedReply::json(200, body);
}

const QByteArray legacyXml =
    "<config><section name=\"proxy_0\"><entry name=\"reg_proxy\">sip:legacy.example.com:5080</entry></section>"
    "<section name=\"auth_info_0\"><entry name=\"username\">3003</entry><entry name=\"passwd\">pw</entry></section>"
    "</config>";
const SIPAccount legacyAccount{u"3003"_s, u"3003"_s, u"pw"_s, u"legacy.example.com"_s, 5080, u"udp"_s,
                               u"Ramal 3003"_s, 600};

TaskResult<SIPAccount> provision(const QString &link, std::chrono::milliseconds timeLimit = 10s,
                                 const QSslConfiguration &tls = HttpsTestServer::clientConfiguration())
{
    ProvisioningClient client(tls, timeLimit);
    return runToEnd(client.provision(link));
}

} // namespace

class ProvisioningClientTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("requests");

        const QJsonObject complete = serverAccount.toJson();
        const auto with = [&](const QString &member, const QJsonValue &value) {
            QJsonObject account = complete;
            account.insert(member, value);
            return account;
        };
        const auto accepted = [](const char *name, const QList<ScriptedReply> &script, const SIPAccount &account,
                                 const QString &path = currentPath) {
            QTest::newRow(name) << path << script << std::optional(account) << QString() << int(script.size());
        };
        const auto refused = [](const char *name, const QList<ScriptedReply> &script, const QString &failure,
                                const QString &path = currentPath) {
            QTest::newRow(name) << path << script << std::optional<SIPAccount>() << failure << int(script.size());
        };
        SIPAccount sparse = serverAccount;
        sparse.authUser.clear();
        sparse.displayName.clear();
        sparse.extension = u" "_s;
        const auto xml = [](const QByteArray &type) { return ScriptedReply::text(200, legacyXml, type); };

        accepted("complete account", {ok(answerBody(complete))}, serverAccount);
        accepted("empty user and name, blank extension", {ok(answerBody(sparse.toJson()))}, sparse);
        accepted("unknown members ignored",
                 {ok(answerBody(with(u"nickname"_s, u"x"_s)).replace("{\"account", "{\"x\":[1],\"account"))},
                 serverAccount);
        refused("valid answer over the size limit", {ok(answerBody(complete) + QByteArray(1024 * 1024, ' '))},
                invalidResponse);
        refused("oversized error page", {ScriptedReply::text(500, QByteArray(2 * 1024 * 1024, ' '))},
                defaultServerMessage);
        refused("ok false", {ok(answerBody(complete, false))}, invalidResponse);
        refused("version 2", {ok(answerBody(complete, true, 2))}, invalidResponse);
        for (const QString &member : {u"extension"_s, u"password"_s, u"host"_s})
            QTest::addRow("empty %s", qPrintable(member))
                << currentPath << QList{ok(answerBody(with(member, QString())))} << std::optional<SIPAccount>()
                << invalidResponse << 1;
        refused("error object with 200", {ok(R"({"ok":false,"error":"Token expirado"})")}, invalidResponse);
        accepted("XML document", {xml("application/xml")}, legacyAccount);
        refused("HTML page with 200", {ScriptedReply::text(200, "<html><p>Oi</html>")}, invalidResponse);
        refused("404 on a current link ends at once", {ScriptedReply::json(404, R"({"error":"Link não encontrado"})")},
                u"Link não encontrado"_s);
        refused("403 with the server's text", {ScriptedReply::json(403, R"({"error":"Token expirado","code":7})")},
                u"Token expirado"_s);
        refused("500 with an HTML page", {ScriptedReply::text(500, "<html>Erro</html>")}, defaultServerMessage);
        refused("500 with a blank error text", {ScriptedReply::json(500, R"({"error":" "})")}, defaultServerMessage);
        refused("201 is not success", {ScriptedReply::json(201, answerBody(complete))}, defaultServerMessage);
        accepted("older link answered at the current path", {ok(answerBody(complete))}, serverAccount, legacyPath);
        accepted("older link falls back and reads XML", {ScriptedReply::json(404, "{}"), xml("text/xml")},
                 legacyAccount, legacyPath);
        refused("older link refused twice shows the second answer",
                {ScriptedReply::json(404, R"({"error":"primeira"})"),
                 ScriptedReply::json(410, R"({"error":"segunda"})")},
                u"segunda"_s, legacyPath);
        refused("older link with an unusable 200 does not fall back", {ok(answerBody(complete, true, 2))},
                invalidResponse, legacyPath);
    }

    void answers()
    {
        QFETCH(QString, path);
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(std::optional<SIPAccount>, account);
        QFETCH(QString, failure);
        QFETCH(int, requests);
        HttpsTestServer server(script);

        const auto result = provision(server.url(path + u"?"_s + query).toString());

        if (account) {
            QCOMPARE(result.value, account);
        } else {
            const auto error = result.errorAs<VozelError>();
            QVERIFY(error);
            QCOMPARE(error->kind(), failure == invalidResponse ? VozelError::Kind::invalidResponse : VozelError::Kind::server);
            QCOMPARE(error->description(), failure);
        }
        QCOMPARE(server.requests().size(), requests);
        for (qsizetype i = 0; i < requests; ++i) {
            const RecordedRequest &request = server.requests()[i];
            QCOMPARE(request.method, "GET");
            QCOMPARE(QString::fromUtf8(request.target), (i == 0 ? currentPath : legacyPath) + u"?"_s + query);
            QCOMPARE(request.header("accept"), "application/json");
            QVERIFY(request.body.isEmpty());
            for (const char *absent : {"content-type", "authorization", "cookie"})
                QVERIFY2(!request.hasHeader(absent), absent);
        }
    }

    void wrappedOlderLinkIsUnwrapped()
    {
        HttpsTestServer server({ok(answerBody(serverAccount.toJson()))});
        const QString address = server.url(legacyPath + u"?"_s + query).toString();
        const QString link = u"  linphone-config://"_s + QString::fromUtf8(QUrl::toPercentEncoding(address)) + u" \n"_s;

        QCOMPARE(provision(link).value, serverAccount);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests()[0].target, (currentPath + u"?"_s + query).toUtf8());
    }

    void refusedLinkSendsNothing()
    {
        HttpsTestServer server({ok(answerBody(serverAccount.toJson()))});
        const auto error = provision(server.url(currentPath + u"?t=1"_s).toString()).errorAs<VozelError>();
        QVERIFY(error);
        QCOMPARE(*error, VozelError::invalidQRCode());
        QCOMPARE(server.requests().size(), 0);
    }

    void redirects()
    {
        QTcpServer plainServer;
        QVERIFY(plainServer.listen(QHostAddress::LocalHost));
        HttpsTestServer server;
        server.setScript({ScriptedReply::redirect(302, server.url(u"/novo?token=2"_s)), ok(answerBody(serverAccount.toJson())),
                          ScriptedReply::redirect(301, QUrl(u"http://127.0.0.1:%1/x"_s.arg(plainServer.serverPort())))});

        QCOMPARE(provision(server.url(currentPath + u"?token=1"_s).toString()).value, serverAccount);
        QCOMPARE(server.requests().size(), 2);
        QCOMPARE(server.requests()[1].target, "/novo?token=2");
        QCOMPARE(server.requests()[1].header("accept"), "application/json");

        // Never from HTTPS to plain HTTP: the password would travel in clear text.
        const auto failure = provision(server.url(legacyPath + u"?token=1"_s).toString()).errorAs<PlatformError>();
        QVERIFY(failure);
        QVERIFY(!failure->description().isEmpty());
        QCOMPARE(server.requests().size(), 3);
        QTest::qWait(100);
        QVERIFY(!plainServer.hasPendingConnections());
    }

    void transportFailuresCarryTheNetworkDescription()
    {
        HttpsTestServer silent({ScriptedReply::silence()});
        QElapsedTimer clock;
        clock.start();
        QVERIFY(provision(silent.url(legacyPath + u"?token=1"_s).toString(), 300ms).errorAs<PlatformError>());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

        HttpsTestServer server({ok(answerBody(serverAccount.toJson()))});
        quint16 closedPort = 0;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            closedPort = closed.serverPort();
        }

        for (const auto &result : {provision(u"https://127.0.0.1:%1/api/pabx-linphone?token=1"_s.arg(closedPort)),
                                   provision(server.url(legacyPath + u"?token=1"_s).toString(), 10s,
                                             QSslConfiguration::defaultConfiguration())}) {
            QVERIFY(!result.errorAs<VozelError>());
            const auto failure = result.errorAs<PlatformError>();
            QVERIFY(failure);
            QVERIFY(!failure->description().isEmpty());
        }
        QCOMPARE(server.requests().size(), 0);
    }
};

QTEST_GUILESS_MAIN(ProvisioningClientTest)
#include "ProvisioningClientTest.moc"
