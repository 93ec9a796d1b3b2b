#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "services/network/CallSourceClient.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(vozel::test::ScriptedReply)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString endpointPath = u"/api/pabx-vozel"_s;

// Set up by hand on the operator's PBX: the test server's host is "localhost".
SavedSIPAccount activeAccount(const QString &host = u"pbx.localhost"_s, bool provisioned = false)
{
    return {{}, {u"2001"_s, u"auth-2001"_s, u"s3cret"_s, host, 5060, u"udp"_s, u"Ramal 2001"_s, 600}, {}, provisioned};
}

ScriptedReply origin(const QByteArray &label)
{
    return ScriptedReply::json(200, R"({"ok":true,"origin":{"label":")" + label + R"(","city":"x"}})");
}

ScriptedReply status(int code)
{
    return ScriptedReply::json(code, R"({"error":"x"})");
}

struct Lookup {
    std::optional<QString> label;
    qint64 elapsedMs = 0;
};

Lookup lookUp(HttpsTestServer &server, const QString &caller = u"+5511987654321"_s,
              CancellationToken cancellation = {}, SavedSIPAccount account = activeAccount())
{
    QUrl address = server.url(endpointPath);
    address.setHost(u"localhost"_s);
    CallSourceClient client(address, HttpsTestServer::clientConfiguration());
    QElapsedTimer clock;
    clock.start();
    const auto result = runToEnd(client.resolve(std::move(account), caller, std::move(cancellation)));
    return {*result.value, clock.elapsed()};
}

QList<qint64> gapsBetweenRequests(const HttpsTestServer &server)
{
    QList<qint64> gaps;
    for (qsizetype i = 1; i < server.requests().size(); ++i)
        gaps.append(server.requests()[i].receivedAtMs - server.requests()[i - 1].receivedAtMs);
    return gaps;
}

} // namespace

class CallSourceClientTest : public QObject {
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("script");
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<int>("requests");

        const std::optional<QString> none;
        QTest::newRow("label found") << QList{origin("Matriz São Paulo")} << std::optional(u"Matriz São Paulo"_s) << 1;
        QTest::newRow("empty label is an answer") << QList{origin("")} << std::optional(QString()) << 1;
        for (const int code : {400, 403, 429})
            QTest::addRow("%d ends at once", code) << QList{status(code)} << none << 1;
        QTest::newRow("500 three times, cookie not kept")
            << QList{status(500).withHeader("Set-Cookie", "session=abc; Path=/; Secure")} << none << 3;
        QTest::newRow("500 then a label") << QList{status(500), origin("Filial")} << std::optional(u"Filial"_s) << 2;
        QTest::newRow("redirect not followed") << QList{ScriptedReply::redirect(302, QUrl(u"/outro"_s))}
                                               << none << 3;
        QTest::newRow("no origin") << QList{ScriptedReply::json(200, R"({"ok":true})")} << none << 3;
        QTest::newRow("null origin") << QList{ScriptedReply::json(200, R"({"ok":true,"origin":null})")} << none << 3;
        QTest::newRow("ok false with an origin")
            << QList{ScriptedReply::json(200, R"({"ok":false,"origin":{"label":"x"}})")} << none << 3;
        QTest::newRow("origin without a label")
            << QList{ScriptedReply::json(200, R"({"ok":true,"origin":{"name":"x"}})"), origin("Depois")}
            << std::optional(u"Depois"_s) << 2;
        QTest::newRow("HTML page") << QList{ScriptedReply::text(200, "<html>Manutenção</html>")} << none << 3;
        QTest::newRow("401 asking for credentials")
            << QList{status(401).withHeader("WWW-Authenticate", R"(Basic realm="pbx")")} << none << 3;
        QTest::newRow("body over the limit")
            << QList{ScriptedReply::json(200, R"({"ok":true,"origin":{"label":"x"}})" + QByteArray(1024 * 1024, ' '))}
            << none << 3;
    }

    void outcomes()
    {
        QFETCH(QList<ScriptedReply>, script);
        QFETCH(std::optional<QString>, label);
        QFETCH(int, requests);
        HttpsTestServer server(script);

        const Lookup lookup = lookUp(server);

        QCOMPARE(lookup.label, label);
        QCOMPARE(server.requests().size(), requests);
        // Retries come half a second apart, and nothing is awaited after the last attempt.
        for (const qint64 gap : gapsBetweenRequests(server))
            QVERIFY2(gap >= 495 && gap < 1000, qPrintable(QString::number(gap)));
        QVERIFY2(lookup.elapsedMs < 500 * (requests - 1) + 450, qPrintable(QString::number(lookup.elapsedMs)));
        for (const RecordedRequest &request : server.requests()) {
            QCOMPARE(request.method, "POST");
            QCOMPARE(request.target, endpointPath.toUtf8());
            QCOMPARE(request.header("content-type"), "application/json");
            for (const char *absent : {"accept", "authorization", "cookie"})
                QVERIFY2(!request.hasHeader(absent), absent);
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            QCOMPARE(body, (QJsonObject{{"host"_L1, u"pbx.localhost"_s},
                                        {"extension"_L1, u"2001"_s},
                                        {"password"_L1, u"s3cret"_s},
                                        {"caller"_L1, u"+5511987654321"_s}}));
        }
    }

    void onlyPlainNumbersOfTheOperatorsAccountsAreLookedUp_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<SavedSIPAccount>("account");
        QTest::addColumn<bool>("lookedUp");
        const SavedSIPAccount operators = activeAccount();
        QTest::newRow("plus and 13 digits") << u"+5511987654321"_s << operators << true;
        QTest::newRow("32 digits") << QString(32, u'9') << operators << true;
        QTest::newRow("33 digits") << QString(33, u'9') << operators << false;
        QTest::newRow("empty") << QString() << operators << false;
        QTest::newRow("punctuation") << u"(11)98765-4321"_s << operators << false;
        QTest::newRow("SIP address") << u"sip:2001@pbx.example.com"_s << operators << false;
        QTest::newRow("trailing line break") << u"2001\n"_s << operators << false;
        QTest::newRow("non-ASCII digits") << u"\u0661\u0662\u0663"_s << operators << false;
        QTest::newRow("the endpoint's host") << u"2002"_s << activeAccount(u"LocalHost."_s) << true;
        QTest::newRow("another company's PBX") << u"2002"_s << activeAccount(u"pbx.example.com"_s) << false;
        QTest::newRow("a name that only ends alike") << u"2002"_s << activeAccount(u"evil-localhost"_s) << false;
        QTest::newRow("from the operator's link") << u"2002"_s << activeAccount(u"pbx.example.com"_s, true) << true;
        SavedSIPAccount withoutPassword = operators;
        withoutPassword.account.password.clear();
        QTest::newRow("no password") << u"2002"_s << withoutPassword << false;
    }

    void onlyPlainNumbersOfTheOperatorsAccountsAreLookedUp()
    {
        QFETCH(QString, caller);
        QFETCH(SavedSIPAccount, account);
        QFETCH(bool, lookedUp);
        HttpsTestServer server({origin("Matriz")});

        const Lookup lookup = lookUp(server, caller, {}, account);

        QCOMPARE(server.requests().size(), lookedUp ? 1 : 0);
        QCOMPARE(lookup.label, lookedUp ? std::optional(u"Matriz"_s) : std::nullopt);
        if (lookedUp)
            QCOMPARE(QJsonDocument::fromJson(server.requests()[0].body)["caller"_L1].toString(), caller);
    }

    void endpointMustBeHttps()
    {
        HttpsTestServer server({origin("Matriz")});
        QUrl address = server.url(endpointPath);
        address.setScheme(u"http"_s);
        CallSourceClient client(address, HttpsTestServer::clientConfiguration());
        QCOMPARE(*runToEnd(client.resolve(activeAccount(), u"2002"_s, {})).value, std::nullopt);
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 0);
    }

    void silentServerEndsEachAttemptByThreeSeconds()
    {
        HttpsTestServer server({ScriptedReply::silence()});

        const Lookup lookup = lookUp(server);

        QCOMPARE(lookup.label, std::nullopt);
        QCOMPARE(server.requests().size(), 3);
        // Each gap is one silent attempt plus the pause before the next one.
        for (const qint64 gap : gapsBetweenRequests(server))
            QVERIFY2(gap >= 3450 && gap < 4000, qPrintable(QString::number(gap)));
        const qint64 lastAttempt = lookup.elapsedMs - server.requests().last().receivedAtMs;
        QVERIFY2(lastAttempt <= 3400, qPrintable(QString::number(lastAttempt)));
    }

    void cancellationStopsTheLookup_data()
    {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<int>("cancelAfterMs");
        QTest::newRow("before the first attempt") << origin("Matriz") << 0;
        QTest::newRow("during the pause") << status(500) << 200;
        QTest::newRow("while waiting for the answer") << ScriptedReply::silence() << 200;
    }

    void cancellationStopsTheLookup()
    {
        QFETCH(ScriptedReply, reply);
        QFETCH(int, cancelAfterMs);
        HttpsTestServer server({reply});
        CancellationToken cancellation;
        if (cancelAfterMs == 0)
            cancellation.cancel();
        else
            QTimer::singleShot(cancelAfterMs, [cancellation]() mutable { cancellation.cancel(); });

        const qint64 start = server.elapsedMs();
        const Lookup lookup = lookUp(server, u"2002"_s, cancellation);

        QCOMPARE(lookup.label, std::nullopt);
        QVERIFY2(lookup.elapsedMs < cancelAfterMs + 200, qPrintable(QString::number(lookup.elapsedMs)));
        QTest::qWait(700);
        QCOMPARE(server.requests().size(), cancelAfterMs == 0 ? 0 : 1);
        if (cancelAfterMs != 0)
            QVERIFY(server.requests()[0].receivedAtMs - start < cancelAfterMs);
    }
};

QTEST_GUILESS_MAIN(CallSourceClientTest)
#include "CallSourceClientTest.moc"
