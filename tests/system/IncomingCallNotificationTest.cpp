#include "FakeNotificationServer.h"
#include "system/IncomingCallNotification.h"

#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {
// Lets every call already sent reach the service and its answers come back.
void settle()
{
    QTest::qWait(150);
}
} // namespace

class IncomingCallNotificationTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        server = std::make_unique<FakeNotificationServer>();
        QVERIFY(server->isRegistered());
        notification = std::make_unique<IncomingCallNotification>();
        settle(); // the capabilities
    }

    void cleanup()
    {
        notification.reset();
        server.reset();
    }

    void postsTheCallWithBothActionsUntilWithdrawn()
    {
        notification->post({u"2002"_s, {}, u"Identificando origem…"_s});
        QTRY_COMPARE(server->notified.size(), 1);
        const auto &posted = server->notified.first();
        QCOMPARE(posted.appName, u"Vozel"_s);
        QCOMPARE(posted.replacesId, 0u);
        QCOMPARE(posted.summary, u"Chamada recebida"_s);
        QCOMPARE(posted.body, u"2002\nIdentificando origem…"_s);
        QCOMPARE(posted.actions, (QStringList{u"default"_s, u"Atender"_s, u"VOZEL_ANSWER"_s, u"Atender"_s,
                                              u"VOZEL_DECLINE"_s, u"Recusar"_s}));
        QCOMPARE(posted.timeout, 0);
        QCOMPARE(posted.hints.value(u"urgency"_s).toInt(), 2);

        notification->withdraw();
        QTRY_COMPARE(server->closed, QList<uint>{posted.id});
    }

    void updatesBeforeTheServiceAnswersArriveOnce()
    {
        // The model refreshes the lines right after announcing, before any answer.
        notification->post({u"2002"_s, {}, u"Identificando origem…"_s});
        notification->update({u"2002"_s, u"Ana"_s, u"Identificando origem…"_s});
        notification->update({u"2002"_s, u"Ana"_s, u"Loja Centro"_s});
        settle();
        QCOMPARE(server->notified.size(), 2);
        QCOMPARE(server->notified[1].replacesId, server->notified[0].id);
        QCOMPARE(server->notified[1].body, u"Ana\n2002\nLoja Centro"_s);
    }

    void withdrawnBeforeTheServiceAnsweredIsClosedAnyway()
    {
        // A call that ends at once must not leave its notification behind.
        notification->post({u"2002"_s, {}, {}});
        notification->withdraw();
        settle();
        QCOMPARE(server->notified.size(), 1);
        QCOMPARE(server->closed, QList<uint>{server->notified.first().id});
    }

    void aNotificationClosedByTheDesktopIsNotBroughtBack()
    {
        notification->post({u"2002"_s, {}, {}});
        QTRY_COMPARE(server->notified.size(), 1);
        server->click(server->lastId(), u"VOZEL_DECLINE"_s);
        settle();
        notification->update({u"2002"_s, u"Ana"_s, u"Loja"_s});
        notification->withdraw();
        settle();
        QCOMPARE(server->notified.size(), 1);
        QVERIFY(server->closed.isEmpty());
    }

    void anUpdateCrossingADismissalLeavesNothingBehind()
    {
        notification->post({u"2002"_s, {}, {}});
        QTRY_COMPARE(server->notified.size(), 1);
        server->dismissBeforeNextUpdate = true;
        notification->update({u"2002"_s, u"Ana"_s, {}});
        settle();
        QCOMPARE(server->notified.size(), 2);
        QCOMPARE(server->closed, QList<uint>{server->lastId()});
    }

    void callerTextNeverBecomesMarkup()
    {
        notification->post({u"2002"_s, u"<a href=\"x\">Ana</a> & Cia"_s, {}});
        QTRY_COMPARE(server->notified.size(), 1);
        QCOMPARE(server->notified.first().body, u"&lt;a href=&quot;x&quot;&gt;Ana&lt;/a&gt; &amp; Cia\n2002"_s);
    }

    void withoutANotificationServiceNothingHappens()
    {
        server.reset();
        notification = std::make_unique<IncomingCallNotification>();
        QElapsedTimer timer;
        timer.start();
        notification->post({u"2002"_s, {}, {}});
        notification->update({u"2002"_s, u"Ana"_s, {}});
        notification->withdraw();
        QVERIFY(timer.elapsed() < 100); // nothing waits for the bus
        settle();
    }

private:
    std::unique_ptr<FakeNotificationServer> server;
    std::unique_ptr<IncomingCallNotification> notification;
};

QTEST_GUILESS_MAIN(IncomingCallNotificationTest)
#include "IncomingCallNotificationTest.moc"
