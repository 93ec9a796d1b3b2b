#include "AccountPrinting.h"
#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "model/domain/VozelError.h"
#include "services/network/ProvisioningClient.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QTcpServer>
#include <QTest>
#include <QTranslator>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)
Q_DECLARE_METATYPE(vozel::test::ScriptedReply)

namespace {

const QString defaultServerMessage = u"Não foi possível configurar o ramal."_s;
const QString invalidResponse = u"O servidor retornou uma configuração inválida."_s;

SIPAccount serverAccount()
{
    return {u"2001"_s, u"auth-2001"_s, u"s3cret"_s, u"pbx.example.com"_s, 5070, u"tcp"_s, u"Recepção"_s, 300};
}

QByteArray answerBody(bool ok, int version, const QJsonObject &account)
{
    return QJsonDocument(QJsonObject{{"ok"_L1, ok}, {"version"_L1, version}, {"account"_L1, account}})
        .toJson(QJsonDocument::Compact);
}

QByteArray answerBody(const SIPAccount &account)
{
    return answerBody(true, 1, account.toJson());
}

QJsonObject accountWith(const QString &member, const QJsonValue &value)
{
    QJsonObject account = serverAccount().toJson();
    account.insert(member, value);
    return account;
}

const QByteArray legacyXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<config xmlns=\"http://www.linphone.org/xsds/lpconfig.xsd\">\n"
    "  <section name=\"proxy_0\"><entry name=\"reg_proxy\">sip:legacy.example.com:5080;transport=udp</entry></section>\n"
    "  <section name=\"auth_info_0\"><entry name=\"username\">3003</entry><entry name=\"passwd\">pw</entry></section>\n"
    "</config>\n";

SIPAccount legacyAccount()
{
    return {u"3003"_s, u"3003"_s, u"pw"_s, u"legacy.example.com"_s, 5080, u"udp"_s, u"Ramal 3003"_s, 600};
}

QList<ScriptedReply> replies(std::initializer_list<ScriptedReply> list)
{
    return QList<ScriptedReply>(list);
}

ScriptedReply ok(const QByteArray &body)
{
    return ScriptedReply::json(200, body);
}

ScriptedReply plain(int status, const QByteArray &body, const QByteArray &type = "text/html")
{
    return ScriptedReply::text(status, body, type);
}

const QString currentPath = u"/api/pabx-vozel"_s;
const QString legacyPath = u"/api/pabx-linphone"_s;
const QString query = u"token=t0k3n&tenant=7"_s;

TaskResult<SIPAccount> provision(const QString &link, ProvisioningClient client = ProvisioningClient(
                                                           HttpsTestServer::clientConfiguration()))
{
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
        QTest::addColumn<QStringList>("paths");

        const QStringList once{currentPath};
        const QStringList fallback{currentPath, legacyPath};
        const std::optional<SIPAccount> none;

        QTest::newRow("200 with a complete account") << currentPath << replies({ok(answerBody(serverAccount()))})
                                                     << std::optional(serverAccount()) << QString() << once;
        SIPAccount sparse = serverAccount();
        sparse.authUser.clear();
        sparse.displayName.clear();
        sparse.extension = u" "_s;
        QTest::newRow("200 with empty user and name, blank extension")
            << currentPath << replies({ok(answerBody(sparse))}) << std::optional(sparse) << QString() << once;
        QJsonObject extra = serverAccount().toJson();
        extra.insert("nickname"_L1, u"x"_s);
        QTest::newRow("200 with unknown members")
            << currentPath
            << replies({ok(R"({"ok":true,"version":1,"server":"a","account":)"
                           + QJsonDocument(extra).toJson(QJsonDocument::Compact) + "}")})
            << std::optional(serverAccount()) << QString() << once;
        QTest::newRow("200 with ok false") << currentPath << replies({ok(answerBody(false, 1, serverAccount().toJson()))})
                                           << none << invalidResponse << once;
        QTest::newRow("200 with version 2") << currentPath << replies({ok(answerBody(true, 2, serverAccount().toJson()))})
                                            << none << invalidResponse << once;
        for (const QString &member : {u"extension"_s, u"password"_s, u"host"_s}) {
            QTest::addRow("200 with empty %s", qPrintable(member))
                << currentPath << replies({ok(answerBody(true, 1, accountWith(member, QString())))}) << none
                << invalidResponse << once;
        }
        QTest::newRow("200 with port as text")
            << currentPath << replies({ok(answerBody(true, 1, accountWith(u"port"_s, u"5060"_s)))}) << none
            << invalidResponse << once;
        QTest::newRow("200 with an error object") << currentPath << replies({ok(R"({"ok":false,"error":"Token expirado"})")})
                                                  << none << invalidResponse << once;
        QTest::newRow("200 with an XML document")
            << currentPath << replies({plain(200, legacyXml, "application/xml")}) << std::optional(legacyAccount())
            << QString() << once;
        QTest::newRow("200 with an HTML page")
            << currentPath << replies({plain(200, "<html><body>Manutenção</body></html>")}) << none << invalidResponse << once;
        QTest::newRow("200 with no body") << currentPath << replies({plain(200, {})}) << none << invalidResponse << once;
        QTest::newRow("404 on a current link ends at once")
            << currentPath << replies({ScriptedReply::json(404, R"({"error":"Link não encontrado"})")}) << none
            << u"Link não encontrado"_s << once;
        QTest::newRow("403 with the server's text")
            << currentPath << replies({ScriptedReply::json(403, R"({"error":"Token expirado","code":7})")}) << none
            << u"Token expirado"_s << once;
        QTest::newRow("500 with an HTML page")
            << currentPath << replies({plain(500, "<html>Internal Server Error</html>")}) << none << defaultServerMessage
            << once;
        QTest::newRow("500 with a blank error text")
            << currentPath << replies({ScriptedReply::json(500, R"({"error":" "})")}) << none << defaultServerMessage << once;
        QTest::newRow("400 with an error that is not text")
            << currentPath << replies({ScriptedReply::json(400, R"({"error":5})")}) << none << defaultServerMessage << once;
        QTest::newRow("201 with an account is not success")
            << currentPath << replies({ScriptedReply::json(201, answerBody(serverAccount()))}) << none
            << defaultServerMessage << once;
        QTest::newRow("older link answered by the current path")
            << legacyPath << replies({ok(answerBody(serverAccount()))}) << std::optional(serverAccount()) << QString()
            << once;
        QTest::newRow("older link falls back and reads XML")
            << legacyPath
            << replies({ScriptedReply::json(404, R"({"error":"a"})"), plain(200, legacyXml, "application/xml")})
            << std::optional(legacyAccount()) << QString() << fallback;
        QTest::newRow("older link refused twice shows the second answer")
            << legacyPath
            << replies({ScriptedReply::json(404, R"({"error":"primeira"})"), ScriptedReply::json(410, R"({"error":"segunda"})")})
            << none << u"segunda"_s << fallback;
        QTest::newRow("older link after a refusal gets JSON")
            << legacyPath << replies({plain(500, "down"), ok(answerBody(serverAccount()))})
            << std::optional(serverAccount()) << QString() << fallback;
        QTest::newRow("older link with an unusable 200 does not fall back")
            << legacyPath << replies({ok(answerBody(true, 2, serverAccount().toJson()))}) << none << invalidResponse << once;
    }

    void answers()
    {
        QFETCH(QString, path);
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(std::optional<SIPAccount>, account);
        QFETCH(QString, failure);
        QFETCH(QStringList, paths);

        HttpsTestServer server(script);
        const auto result = provision(server.url(path + u"?"_s + query).toString());

        if (account) {
            QVERIFY(!result.error);
            QCOMPARE(result.value, account);
        } else {
            const auto error = result.errorAs<VozelError>();
            QVERIFY(error);
            QCOMPARE(error->kind(), failure == invalidResponse ? VozelError::Kind::invalidResponse : VozelError::Kind::server);
            QCOMPARE(error->description(), failure);
        }
        QCOMPARE(server.requests().size(), paths.size());
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const RecordedRequest &request = server.requests()[i];
            QCOMPARE(request.method, "GET");
            QCOMPARE(QString::fromUtf8(request.path()), paths[i]);
            QCOMPARE(QString::fromUtf8(request.query()), query);
            QCOMPARE(request.header("accept"), "application/json");
            QVERIFY(request.body.isEmpty());
            for (const char *absent : {"content-type", "content-length", "authorization", "cookie"})
                QVERIFY2(!request.hasHeader(absent), absent);
        }
    }

    void wrappedOlderLinkAsksCurrentPathWithSameQuery()
    {
        HttpsTestServer server({ok(answerBody(serverAccount()))});
        const QString address = server.url(legacyPath + u"?"_s + query).toString();
        const QString link = u"  linphone-config://"_s + QString::fromUtf8(QUrl::toPercentEncoding(address)) + u" \n"_s;

        const auto result = provision(link);

        QCOMPARE(result.value, serverAccount());
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests()[0].target, (currentPath + u"?"_s + query).toUtf8());
    }

    void refusedLinksSendNothing_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("http") << u"http://127.0.0.1:%1/api/pabx-vozel?token=1"_s;
        QTest::newRow("wrong path") << u"https://127.0.0.1:%1/api/pabx?token=1"_s;
        QTest::newRow("no token") << u"https://127.0.0.1:%1/api/pabx-vozel?t=1"_s;
    }

    void refusedLinksSendNothing()
    {
        QFETCH(QString, link);
        HttpsTestServer server({ok(answerBody(serverAccount()))});
        const auto error = provision(link.arg(server.port())).errorAs<VozelError>();
        QVERIFY(error);
        QCOMPARE(*error, VozelError::invalidQRCode());
        QCOMPARE(server.requests().size(), 0);
    }

    void redirectsAreFollowedOverHttps()
    {
        HttpsTestServer server;
        server.setScript({ScriptedReply::redirect(302, server.url(u"/novo/endereco?token=2"_s)), ok(answerBody(serverAccount()))});

        const auto result = provision(server.url(currentPath + u"?token=1"_s).toString());

        QCOMPARE(result.value, serverAccount());
        QCOMPARE(server.requests().size(), 2);
        QCOMPARE(server.requests()[1].target, "/novo/endereco?token=2");
        QCOMPARE(server.requests()[1].header("accept"), "application/json");
    }

    void redirectToPlainHttpIsRefused()
    {
        QTcpServer plainServer;
        QVERIFY(plainServer.listen(QHostAddress::LocalHost));
        HttpsTestServer server(
            {ScriptedReply::redirect(301, QUrl(u"http://127.0.0.1:%1/api/pabx-vozel?token=1"_s.arg(plainServer.serverPort())))});

        const auto result = provision(server.url(legacyPath + u"?token=1"_s).toString());

        const auto failure = result.errorAs<PlatformError>();
        QVERIFY(failure);
        QVERIFY(!failure->description().isEmpty());
        QCOMPARE(server.requests().size(), 1);
        QTest::qWait(100);
        QVERIFY(!plainServer.hasPendingConnections());
    }

    void transportFailuresCarryTheNetworkDescription_data()
    {
        QTest::addColumn<bool>("trustServer");
        QTest::addColumn<bool>("listening");
        QTest::newRow("connection refused") << true << false;
        QTest::newRow("certificate not trusted") << false << true;
    }

    void transportFailuresCarryTheNetworkDescription()
    {
        QFETCH(bool, trustServer);
        QFETCH(bool, listening);
        quint16 port = 0;
        std::optional<HttpsTestServer> server;
        if (listening) {
            server.emplace(QList{ok(answerBody(serverAccount()))});
            port = server->port();
        } else {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            port = closed.serverPort();
        }
        ProvisioningClient client(trustServer ? HttpsTestServer::clientConfiguration()
                                              : QSslConfiguration::defaultConfiguration());

        const auto result = provision(u"https://127.0.0.1:%1/api/pabx-linphone?token=1"_s.arg(port), client);

        QVERIFY(!result.errorAs<VozelError>());
        const auto failure = result.errorAs<PlatformError>();
        QVERIFY(failure);
        QVERIFY(!failure->description().isEmpty());
        if (server)
            QCOMPARE(server->requests().size(), 0);
    }

    void silentServerTimesOutWithoutFallback()
    {
        QTranslator qtTexts;
        QVERIFY(qtTexts.load(QLocale(u"pt_BR"_s), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QCoreApplication::installTranslator(&qtTexts);
        HttpsTestServer server({ScriptedReply::silence()});
        ProvisioningClient client(HttpsTestServer::clientConfiguration(), 400ms);
        QElapsedTimer clock;
        clock.start();

        const auto result = provision(server.url(legacyPath + u"?token=1"_s).toString(), client);

        const qint64 elapsed = clock.elapsed();
        QCoreApplication::removeTranslator(&qtTexts);
        const auto failure = result.errorAs<PlatformError>();
        QVERIFY(failure);
        QCOMPARE(failure->description(), u"Passou o tempo-limite para a operação de rede"_s);
        QVERIFY2(elapsed >= 400 && elapsed < 1000, qPrintable(QString::number(elapsed)));
        QCOMPARE(server.requests().size(), 1);
    }

    void trickledAnswerIsCutAtTheTimeLimit()
    {
        HttpsTestServer server({ScriptedReply::rawBytes("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n",
                                                        answerBody(serverAccount()), 50ms)});
        ProvisioningClient client(HttpsTestServer::clientConfiguration(), 500ms);
        QElapsedTimer clock;
        clock.start();

        const auto result = provision(server.url(currentPath + u"?token=1"_s).toString(), client);

        QVERIFY(result.errorAs<PlatformError>());
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }

    void oversizedAnswersAreRefusedEarly_data()
    {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("failure");
        const QByteArray filler(2 * 1024 * 1024, ' ');
        QTest::newRow("announced length over the limit")
            << ScriptedReply::rawBytes("HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n\r\n{" + filler.left(65536))
            << invalidResponse;
        QTest::newRow("endless body without a length")
            << ScriptedReply::rawBytes("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{" + filler)
            << invalidResponse;
        QTest::newRow("body just over the limit")
            << ok(answerBody(serverAccount()) + QByteArray(1024 * 1024, ' ')) << invalidResponse;
        QTest::newRow("oversized error page") << plain(500, "<html>" + filler + "</html>") << defaultServerMessage;
    }

    void oversizedAnswersAreRefusedEarly()
    {
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, failure);
        HttpsTestServer server({reply});
        ProvisioningClient client(HttpsTestServer::clientConfiguration(), 10s);
        QElapsedTimer clock;
        clock.start();

        const auto error = provision(server.url(currentPath + u"?token=1"_s).toString(), client).errorAs<VozelError>();

        QVERIFY(error);
        QCOMPARE(error->description(), failure);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void bodyAtTheLimitIsRead()
    {
        QByteArray body = answerBody(serverAccount());
        body += QByteArray(1024 * 1024 - body.size(), ' ');
        HttpsTestServer server({ok(body)});
        QCOMPARE(provision(server.url(currentPath + u"?token=1"_s).toString()).value, serverAccount());
    }
};

QTEST_GUILESS_MAIN(ProvisioningClientTest)
#include "ProvisioningClientTest.moc"
