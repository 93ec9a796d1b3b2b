#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "services/network/CallSourceClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// Set up by hand on the operator's PBX: the test server's host is "localhost".
SavedSIPAccount account(const QString &host = u"pbx.localhost"_s, bool provisioned = false)
{
    return {{}, {u"2001"_s, u"auth-2001"_s, u"s3cret"_s, host, 5060, u"udp"_s, u"Ramal 2001"_s, 600}, {}, provisioned};
}

ScriptedReply origin(const QByteArray &label)
{
    return answer(200, R"({"ok":true,"origin":{"label":")" + label + R"(","city":"x"}})");
}

std::optional<QString> lookUp(HttpsTestServer &server, const QString &caller = u"+5511987654321"_s,
                              const CancellationToken &cancellation = {}, const SavedSIPAccount &entry = account(),
                              const QString &scheme = u"https"_s)
{
    QUrl address = server.url(u"/api/pabx-vozel"_s);
    address.setHost(u"localhost"_s);
    address.setScheme(scheme);
    CallSourceClient client(address, HttpsTestServer::clientConfiguration());
    return *runToEnd(client.resolve(entry, caller, cancellation)).value;
}

} // namespace

class CallSourceClientTest : public QObject {
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<int>("cancelAfterMs"); // -1: never
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("attemptMs"); // how long each unanswered attempt lasts

        const std::optional<QString> none;
        const auto error = [](int code, const QByteArray &headers = {}) {
            return answer(code, R"({"error":"x"})", "Content-Type: application/json\r\n" + headers);
        };
        QTest::newRow("label found") << QList{origin("Matriz São Paulo")} << -1 << std::optional(u"Matriz São Paulo"_s) << 1 << 0;
        QTest::newRow("empty label is an answer") << QList{origin("")} << -1 << std::optional(QString()) << 1 << 0;
        for (const int code : {400, 403, 429})
            QTest::addRow("%d ends at once", code) << QList{error(code)} << -1 << none << 1 << 0;
        QTest::newRow("500 three times, cookie not kept")
            << QList{error(500, "Set-Cookie: session=abc; Path=/; Secure\r\n")} << -1 << none << 3 << 0;
        QTest::newRow("500 then a label") << QList{error(500), origin("Filial")} << -1 << std::optional(u"Filial"_s) << 2 << 0;
        QTest::newRow("redirect not followed") << QList{answer(302, {}, "Location: /outro\r\n")} << -1 << none << 3 << 0;
        QTest::newRow("ok false with an origin")
            << QList{answer(200, R"({"ok":false,"origin":{"label":"x"}})")} << -1 << none << 3 << 0;
        QTest::newRow("origin without a label")
            << QList{answer(200, R"({"ok":true,"origin":{"name":"x"}})"), origin("Depois")} << -1
            << std::optional(u"Depois"_s) << 2 << 0;
        QTest::newRow("HTML page") << QList{answer(200, "<html>Manutenção</html>", "")} << -1 << none << 3 << 0;
        QTest::newRow("401 asking for credentials")
            << QList{error(401, "WWW-Authenticate: Basic realm=\"pbx\"\r\n")} << -1 << none << 3 << 0;
        QTest::newRow("body over the limit") << QList{origin("x" + QByteArray(1024 * 1024, ' '))} << -1 << none << 3 << 0;
        QTest::newRow("silent server: three seconds an attempt") << QList{silence()} << -1 << none << 3 << 3000;
        QTest::newRow("cancelled before the first attempt") << QList{origin("x")} << 0 << none << 0 << 0;
        QTest::newRow("cancelled during the pause") << QList{error(500)} << 200 << none << 1 << 0;
        QTest::newRow("cancelled while waiting for the answer") << QList{silence()} << 200 << none << 1 << 0;
    }

    void outcomes()
    {
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(int, cancelAfterMs);
        QFETCH(std::optional<QString>, label);
        QFETCH(int, requests);
        QFETCH(int, attemptMs);
        HttpsTestServer server(script);
        CancellationToken cancellation;
        if (cancelAfterMs == 0)
            cancellation.cancel();
        else if (cancelAfterMs > 0)
            QTimer::singleShot(cancelAfterMs, [cancellation]() mutable { cancellation.cancel(); });

        QCOMPARE(lookUp(server, u"+5511987654321"_s, cancellation), label);
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
            QCOMPARE(request.method, "POST");
            QCOMPARE(request.target, "/api/pabx-vozel");
            QCOMPARE(request.headers.value("content-type"), "application/json");
            for (const char *absent : {"accept", "authorization", "cookie"})
                QVERIFY2(!request.headers.contains(absent), absent);
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
        QTest::newRow("plus and 13 digits") << u"+5511987654321"_s << account() << https << true;
        QTest::newRow("32 digits") << QString(32, u'9') << account() << https << true;
        QTest::newRow("33 digits") << QString(33, u'9') << account() << https << false;
        QTest::newRow("empty") << QString() << account() << https << false;
        QTest::newRow("punctuation") << u"(11)98765-4321"_s << account() << https << false;
        QTest::newRow("SIP address") << u"sip:2001@pbx.example.com"_s << account() << https << false;
        QTest::newRow("trailing line break") << u"2001\n"_s << account() << https << false;
        QTest::newRow("non-ASCII digits") << u"\u0661\u0662\u0663"_s << account() << https << false;
        QTest::newRow("the endpoint's host") << u"2002"_s << account(u"LocalHost."_s) << https << true;
        QTest::newRow("another company's PBX") << u"2002"_s << account(u"pbx.example.com"_s) << https << false;
        QTest::newRow("a name that only ends alike") << u"2002"_s << account(u"evil-localhost"_s) << https << false;
        QTest::newRow("from the operator's link") << u"2002"_s << account(u"pbx.example.com"_s, true) << https << true;
        SavedSIPAccount withoutPassword = account();
        withoutPassword.account.password.clear();
        QTest::newRow("no password") << u"2002"_s << withoutPassword << https << false;
        QTest::newRow("endpoint not HTTPS") << u"2002"_s << account() << u"http"_s << false;
    }

    void onlyPlainNumbersOfTheOperatorsAccountsAreLookedUp()
    {
        QFETCH(QString, caller);
        QFETCH(SavedSIPAccount, entry);
        QFETCH(QString, scheme);
        QFETCH(bool, lookedUp);
        HttpsTestServer server({origin("Matriz")});

        QCOMPARE(lookUp(server, caller, {}, entry, scheme), lookedUp ? std::optional(u"Matriz"_s) : std::nullopt);
        QTest::qWait(lookedUp ? 0 : 100);
        QCOMPARE(server.requests.size(), lookedUp ? 1 : 0);
        if (lookedUp)
            QCOMPARE(QJsonDocument::fromJson(server.requests[0].body)["caller"_L1].toString(), caller);
    }
};

QTEST_GUILESS_MAIN(CallSourceClientTest)
#include "CallSourceClientTest.moc"
