#include "AccountPrinting.h"
#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "model/domain/VozelError.h"
#include "services/network/BoundedReply.h"
#include "services/network/CallSourceClient.h"
#include "services/network/ProvisioningClient.h"

#include <QLibraryInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTranslator>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(vozel::test::ScriptedReply)
Q_DECLARE_METATYPE(vozel::ReplyOutcome::Kind)
Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString currentLink = u"/api/pabx-vozel?token=t0k3n&tenant=7"_s;
const QString legacyLink = u"/api/pabx-linphone?token=t0k3n&tenant=7"_s;
const SIPAccount account{u"2001"_s, u"a-2001"_s, u"pw"_s, u"pbx.example.com"_s, 5070, u"tcp"_s, u"Recepção"_s, 300};
const QByteArray accountAnswer =
    R"({"ok":true,"version":1,"account":)" + QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact) + "}";

// A token cancelled after that many milliseconds; never when negative.
CancellationToken cancelledAfter(int ms)
{
    CancellationToken token;
    if (ms >= 0)
        QTimer::singleShot(ms, [token]() mutable { token.cancel(); });
    return token;
}

TaskResult<SIPAccount> provision(const QString &link, const QSslConfiguration &tls = HttpsTestServer::clientConfiguration())
{
    return runToEnd(ProvisioningClient(tls, 2s).provision(link));
}

// Set up by hand on the operator's PBX: the test server's host is "localhost".
SavedSIPAccount callee(const QString &host = u"pbx.localhost"_s, bool provisioned = false)
{
    return {{}, {u"2001"_s, u"auth-2001"_s, u"s3cret"_s, host, 5060, u"udp"_s, u"Ramal 2001"_s, 600}, {}, provisioned};
}

ScriptedReply origin(const QByteArray &label)
{
    return answer(200, R"({"ok":true,"origin":{"label":")" + label + R"(","city":"x"}})");
}

std::optional<QString> lookUp(HttpsTestServer &server, const QString &caller = u"+5511987654321"_s,
                              const CancellationToken &cancellation = {}, const SavedSIPAccount &entry = callee(),
                              const QString &scheme = u"https"_s)
{
    QUrl address = server.url(u"/api/pabx-vozel"_s);
    address.setHost(u"localhost"_s);
    address.setScheme(scheme);
    CallSourceClient client(address, HttpsTestServer::clientConfiguration());
    return *runToEnd(client.resolve(entry, caller, cancellation)).value;
}

} // namespace

// The application's HTTPS clients against a scripted server: the bounds every answer is read within,
// then how the provisioning client and the caller-origin lookup act on what they read.
class HttpsClientsTest : public QObject {
    Q_OBJECT

    QTranslator m_qtTexts;

private slots:
    void initTestCase()
    {
        QVERIFY(m_qtTexts.load(QLocale(u"pt_BR"_s), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QCoreApplication::installTranslator(&m_qtTexts);
    }

    void bounds_data()
    {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<ReplyOutcome::Kind>("kind");
        QTest::addColumn<qsizetype>("bodySize"); // -1: too large
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        using Kind = ReplyOutcome::Kind;
        const QByteArray filler(2 * 1024 * 1024, ' ');
        const QByteArray head = "HTTP/1.1 200 OK\r\n";
        QTest::newRow("body exactly at the limit")
            << answer(200, filler.left(maxAnswerBytes)) << Kind::response << maxAnswerBytes << 0 << 3000;
        QTest::newRow("one byte over the limit")
            << answer(500, filler.left(maxAnswerBytes + 1)) << Kind::response << qsizetype(-1) << 0 << 3000;
        QTest::newRow("announced length over the limit")
            << ScriptedReply{.bytes = head + "Content-Length: 104857600\r\n\r\n{" + filler.left(65536), .openEnded = true}
            << Kind::response << qsizetype(-1) << 0 << 3000;
        QTest::newRow("endless body without a length")
            << ScriptedReply{.bytes = head + "\r\n{" + filler, .openEnded = true} << Kind::response << qsizetype(-1) << 0 << 3000;
        QTest::newRow("silent server") << silence() << Kind::failed << qsizetype(0) << 400 << 1000;
        QTest::newRow("answer trickling in") << ScriptedReply{head + "\r\n", true, filler.left(100)} << Kind::failed
                                             << qsizetype(0) << 400 << 1000;
    }

    void bounds()
    {
        QFETCH(ScriptedReply, reply);
        QFETCH(ReplyOutcome::Kind, kind);
        QFETCH(qsizetype, bodySize);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        HttpsTestServer server({reply});
        QNetworkAccessManager manager;
        QNetworkRequest request(server.url(u"/x"_s));
        request.setSslConfiguration(HttpsTestServer::clientConfiguration());

        const ReplyOutcome outcome = *runToEnd(readBoundedReply(manager.get(request), minMs > 0 ? 400ms : 10s)).value;

        const qint64 elapsed = server.clock.elapsed();
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.bodyTooLarge, bodySize < 0);
        QCOMPARE(outcome.body.size(), std::max<qsizetype>(bodySize, 0));
        if (kind == ReplyOutcome::Kind::failed)
            QCOMPARE(outcome.failure, u"Passou o tempo-limite para a operação de rede"_s);
        QVERIFY2(elapsed >= minMs && elapsed < maxMs, qPrintable(QString::number(elapsed)));
    }

    void provisioning_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("requests");
        const std::optional<SIPAccount> none;
        const QByteArray legacyXml = R"(<config><entry name="reg_proxy">sip:legacy.example.com:5080</entry>)"
                                     R"(<entry name="username">3003</entry><entry name="passwd">pw</entry></config>)";
        const SIPAccount legacyAccount{u"3003"_s, u"3003"_s, u"pw"_s, u"legacy.example.com"_s, 5080, u"udp"_s,
                                       u"Ramal 3003"_s, 600};

        QTest::newRow("account") << currentLink << QList{answer(200, accountAnswer)} << std::optional(account) << QString() << 1;
        QTest::newRow("404 on a current link ends at once")
            << currentLink << QList{answer(404, R"({"error":"Link não encontrado"})")} << none << u"Link não encontrado"_s << 1;
        QTest::newRow("201 with a blank error is not success")
            << currentLink << QList{answer(201, R"({"error":" "})")} << none << u"Não foi possível configurar o ramal."_s << 1;
        QTest::newRow("an error page is not shown as the error")
            << currentLink << QList{answer(500, "<html>Erro</html>", "Content-Type: text/html\r\n")} << none
            << u"Não foi possível configurar o ramal."_s << 1;
        QTest::newRow("redirect followed")
            << currentLink << QList{answer(302, {}, "Location: " + legacyLink.toUtf8() + "\r\n"), answer(200, accountAnswer)}
            << std::optional(account) << QString() << 2;
        QTest::newRow("older link falls back and reads XML")
            << legacyLink << QList{answer(404, "{}"), answer(200, legacyXml, "Content-Type: text/xml\r\n")}
            << std::optional(legacyAccount) << QString() << 2;
        QTest::newRow("older link refused twice shows the second answer")
            << legacyLink << QList{answer(404, R"({"error":"primeira"})"), answer(410, R"({"error":"segunda"})")} << none
            << u"segunda"_s << 2;
    }

    void provisioning()
    {
        QFETCH(QString, link);
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(std::optional<SIPAccount>, account);
        QFETCH(QString, failure);
        QFETCH(int, requests);
        HttpsTestServer server(script);

        const auto result = provision(server.url(link).toString());

        QCOMPARE(result.value, account);
        QCOMPARE(result.errorAs<VozelError>().value_or(VozelError::server({})).description(), failure);
        QCOMPARE(server.requests.size(), requests);
        for (qsizetype i = 0; i < requests; ++i) {
            QCOMPARE(QString::fromUtf8(server.requests[i].target), i == 0 ? currentLink : legacyLink);
            QCOMPARE(server.requests[i].headers.value("accept"), "application/json");
        }
    }

    // Each ends as a failure of the network, in its own words, never as an answer of the operator:
    // a redirect to plain HTTP, where the password would travel in clear text, an untrusted server, silence.
    void provisioningTransportFailures()
    {
        QTcpServer plainServer;
        QVERIFY(plainServer.listen(QHostAddress::LocalHost));
        const QByteArray plainUrl = "http://127.0.0.1:" + QByteArray::number(plainServer.serverPort()) + "/x";
        HttpsTestServer server({answer(301, {}, "Location: " + plainUrl + "\r\n"), silence()});
        const QString link = server.url(currentLink).toString();
        for (const auto &result : {provision(link), provision(link, QSslConfiguration::defaultConfiguration()), provision(link)}) {
            QVERIFY(!result.errorAs<VozelError>());
            QVERIFY(!result.errorAs<PlatformError>().value_or(PlatformError(QString())).description().isEmpty());
        }
        QVERIFY2(server.clock.elapsed() < 3000, qPrintable(QString::number(server.clock.elapsed())));
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(!plainServer.hasPendingConnections());
    }

    void callOrigin_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<int>("cancelAfterMs");
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("attemptMs"); // how long each unanswered attempt lasts

        const std::optional<QString> none;
        QTest::newRow("label found") << QList{origin("Matriz São Paulo")} << -1 << std::optional(u"Matriz São Paulo"_s) << 1 << 0;
        for (const int code : {400, 403, 429})
            QTest::addRow("%d ends at once", code) << QList{answer(code, "{}")} << -1 << none << 1 << 0;
        QTest::newRow("500 three times, cookie not kept")
            << QList{answer(500, "{}", "Set-Cookie: session=abc; Path=/; Secure\r\n")} << -1 << none << 3 << 0;
        QTest::newRow("redirect not followed") << QList{answer(302, {}, "Location: /outro\r\n")} << -1 << none << 3 << 0;
        QTest::newRow("ok false with an origin")
            << QList{answer(200, R"({"ok":false,"origin":{"label":"x"}})")} << -1 << none << 3 << 0;
        QTest::newRow("origin without a label, then a label")
            << QList{answer(200, R"({"ok":true,"origin":{"name":"x"}})"), origin("Depois")} << -1
            << std::optional(u"Depois"_s) << 2 << 0;
        QTest::newRow("silent server: three seconds an attempt") << QList{silence()} << -1 << none << 3 << 3000;
        QTest::newRow("cancelled during the pause") << QList{answer(500, "{}")} << 200 << none << 1 << 0;
        QTest::newRow("cancelled while waiting for the answer") << QList{silence()} << 200 << none << 1 << 0;
    }

    void callOrigin()
    {
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(int, cancelAfterMs);
        QFETCH(std::optional<QString>, label);
        QFETCH(int, requests);
        QFETCH(int, attemptMs);
        HttpsTestServer server(script);

        QCOMPARE(lookUp(server, u"+5511987654321"_s, cancelledAfter(cancelAfterMs)), label);
        const qint64 elapsed = server.clock.elapsed();
        QTest::qWait(cancelAfterMs < 0 ? 0 : 700);
        QCOMPARE(server.requests.size(), requests);
        // Retries come half a second apart after each attempt, and nothing is awaited after the last one.
        for (qsizetype i = 1; i < requests; ++i) {
            const qint64 gap = server.requests[i].receivedAtMs - server.requests[i - 1].receivedAtMs;
            // A silent attempt's clock starts before the server sees the request, during the handshake.
            const qint64 least = attemptMs > 0 ? attemptMs + 450 : 495;
            QVERIFY2(gap >= least && gap < attemptMs + 1000, qPrintable(QString::number(gap)));
        }
        const qint64 bound = cancelAfterMs >= 0 ? cancelAfterMs + 200 : (attemptMs + 500) * (requests - 1) + attemptMs + 450;
        QVERIFY2(elapsed < bound, qPrintable(QString::number(elapsed)));
        for (const RecordedRequest &request : server.requests) {
            QCOMPARE(request.headers.value("content-type"), "application/json");
            QVERIFY(!request.headers.contains("cookie"));
            QCOMPARE(QJsonDocument::fromJson(request.body).object(),
                     (QJsonObject{{"host"_L1, u"pbx.localhost"_s}, {"extension"_L1, u"2001"_s},
                                  {"password"_L1, u"s3cret"_s}, {"caller"_L1, u"+5511987654321"_s}}));
        }
    }

    void onlyPlainNumbersOfTheOperatorsAccountsAreLookedUp_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<SavedSIPAccount>("entry");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<bool>("lookedUp");
        const QString https = u"https"_s;
        QTest::newRow("32 digits") << QString(32, u'9') << callee() << https << true;
        QTest::newRow("33 digits") << QString(33, u'9') << callee() << https << false;
        QTest::newRow("trailing line break") << u"2001\n"_s << callee() << https << false;
        QTest::newRow("the endpoint's host") << u"2002"_s << callee(u"LocalHost."_s) << https << true;
        QTest::newRow("another company's PBX") << u"2002"_s << callee(u"pbx.example.com"_s) << https << false;
        QTest::newRow("a name that only ends alike") << u"2002"_s << callee(u"evil-localhost"_s) << https << false;
        QTest::newRow("from the operator's link") << u"2002"_s << callee(u"pbx.example.com"_s, true) << https << true;
        SavedSIPAccount withoutPassword = callee();
        withoutPassword.account.password.clear();
        QTest::newRow("no password") << u"2002"_s << withoutPassword << https << false;
        QTest::newRow("endpoint not HTTPS") << u"2002"_s << callee() << u"http"_s << false;
    }

    void onlyPlainNumbersOfTheOperatorsAccountsAreLookedUp()
    {
        QFETCH(QString, caller);
        QFETCH(SavedSIPAccount, entry);
        QFETCH(QString, scheme);
        QFETCH(bool, lookedUp);
        HttpsTestServer server({origin("Matriz")});
        QCOMPARE(lookUp(server, caller, {}, entry, scheme), lookedUp ? std::optional(u"Matriz"_s) : std::nullopt);
    }
};

QTEST_GUILESS_MAIN(HttpsClientsTest)
#include "HttpsClientsTest.moc"
