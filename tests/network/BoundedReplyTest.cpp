#include "HttpsTestServer.h"
#include "TaskResult.h"
#include "services/network/BoundedReply.h"

#include <QLibraryInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(vozel::test::ScriptedReply)
Q_DECLARE_METATYPE(vozel::ReplyOutcome::Kind)

// The size and time bounds every HTTP client of the application reads its answers within.
class BoundedReplyTest : public QObject {
    Q_OBJECT

private slots:
    void bounds_data()
    {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<int>("cancelAfterMs"); // 0: never
        QTest::addColumn<ReplyOutcome::Kind>("kind");
        QTest::addColumn<qsizetype>("bodySize"); // -1: too large
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        using Kind = ReplyOutcome::Kind;
        const QByteArray filler(2 * 1024 * 1024, ' ');
        const QByteArray head = "HTTP/1.1 200 OK\r\n";
        QTest::newRow("body exactly at the limit")
            << answer(200, filler.left(maxAnswerBytes)) << 0 << Kind::response << maxAnswerBytes << 0 << 3000;
        QTest::newRow("one byte over the limit")
            << answer(500, filler.left(maxAnswerBytes + 1)) << 0 << Kind::response << qsizetype(-1) << 0 << 3000;
        QTest::newRow("announced length over the limit")
            << ScriptedReply{.bytes = head + "Content-Length: 104857600\r\n\r\n{" + filler.left(65536), .openEnded = true} << 0
            << Kind::response << qsizetype(-1) << 0 << 3000;
        QTest::newRow("endless body without a length")
            << ScriptedReply{.bytes = head + "\r\n{" + filler, .openEnded = true} << 0 << Kind::response
            << qsizetype(-1) << 0 << 3000;
        QTest::newRow("silent server") << silence() << 0 << Kind::failed << qsizetype(0) << 400 << 1000;
        QTest::newRow("answer trickling in") << ScriptedReply{head + "\r\n", true, filler.left(100), 50ms} << 0
                                             << Kind::failed << qsizetype(0) << 400 << 1000;
        QTest::newRow("cancelled while waiting") << silence() << 100 << Kind::cancelled << qsizetype(0) << 100 << 300;
    }

    void bounds()
    {
        QFETCH(ScriptedReply, reply);
        QFETCH(int, cancelAfterMs);
        QFETCH(ReplyOutcome::Kind, kind);
        QFETCH(qsizetype, bodySize);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        QTranslator qtTexts;
        QVERIFY(qtTexts.load(QLocale(u"pt_BR"_s), u"qtbase"_s, u"_"_s,
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QCoreApplication::installTranslator(&qtTexts);
        HttpsTestServer server({reply});
        QNetworkAccessManager manager;
        QNetworkRequest request(server.url(u"/x"_s));
        request.setSslConfiguration(HttpsTestServer::clientConfiguration());
        CancellationToken cancellation;
        if (cancelAfterMs > 0)
            QTimer::singleShot(cancelAfterMs, [cancellation]() mutable { cancellation.cancel(); });
        QElapsedTimer clock;
        clock.start();

        const auto timeLimit = minMs > 0 ? 400ms : 10s;
        const ReplyOutcome outcome = *runToEnd(readBoundedReply(manager.get(request), timeLimit, cancellation)).value;

        const qint64 elapsed = clock.elapsed();
        QCoreApplication::removeTranslator(&qtTexts);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.bodyTooLarge, bodySize < 0);
        QCOMPARE(outcome.body.size(), std::max<qsizetype>(bodySize, 0));
        if (kind == ReplyOutcome::Kind::failed)
            QCOMPARE(outcome.failure, u"Passou o tempo-limite para a operação de rede"_s);
        QVERIFY2(elapsed >= minMs && elapsed < maxMs, qPrintable(QString::number(elapsed)));
        QCOMPARE(server.requests.size(), 1);
    }
};

QTEST_GUILESS_MAIN(BoundedReplyTest)
#include "BoundedReplyTest.moc"
