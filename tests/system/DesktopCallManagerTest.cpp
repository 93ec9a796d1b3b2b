#include "FakeNotificationServer.h"
#include "PanelProbe.h"
#include "system/DesktopCallManager.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

class DesktopCallManagerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        server = std::make_unique<FakeNotificationServer>();
        QVERIFY(server->isRegistered());
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nWindow { width: 296; height: 520 }", QUrl(u"qrc:/dialer.qml"_s));
        dialer.reset(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY(dialer);
        manager = std::make_unique<DesktopCallManager>();
        manager->setDialerWindow(dialer.get());
        answers = 0;
        ends = 0;
        manager->onAnswer = [this] { ++answers; };
        manager->onEnd = [this] { ++ends; };
    }

    void cleanup()
    {
        // As at quit: the engine's windows go first, the model with its manager after.
        dialer.reset();
        manager.reset();
        server.reset();
    }

    void anIncomingCallRingsAndShowsThePanelAndTheDialer()
    {
        manager->reportIncoming(u"2002"_s);
        QVERIFY(manager->isCallAnnounced());
        QVERIFY(manager->isRinging());
        QVERIFY(dialer->isVisible());

        QQuickWindow *panel = manager->incomingPanel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->flags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
        QCOMPARE(textsOf(panel, {"incomingHeading", "incomingNumber", "incomingSource", "declineButton",
                                 "answerButton"}),
                 (QStringList{u"Chamada recebida"_s, u"2002"_s, u"Identificando origem…"_s, u"Recusar"_s,
                              u"Atender"_s}));
        QVERIFY(!item(panel, "incomingCallerName")->isVisible());

        QTRY_COMPARE(server->notified.size(), 1);
        QVERIFY(server->notified.first().body.startsWith(u"2002"_s));
    }

    void theIdentityFillsTheCallerAndOriginLines()
    {
        manager->reportIncoming(u"2002"_s);
        QQuickWindow *panel = manager->incomingPanel();
        manager->updateIncomingIdentity(u"2002"_s, u"Ana Souza"_s, u"Loja Centro"_s);
        QVERIFY(item(panel, "incomingCallerName")->isVisible());
        QCOMPARE(textsOf(panel, {"incomingCallerName", "incomingNumber", "incomingSource"}),
                 (QStringList{u"Ana Souza"_s, u"2002"_s, u"Loja Centro"_s}));
        QTRY_COMPARE(server->notified.size(), 2);
        QCOMPARE(server->notified.last().body, u"Ana Souza\n2002\nLoja Centro"_s);

        manager->updateIncomingIdentity(u"2002"_s, {}, u"Origem não identificada"_s);
        QVERIFY(!item(panel, "incomingCallerName")->isVisible());
        QCOMPARE(textOf(panel, "incomingSource"), u"Origem não identificada"_s);
    }

    void aCallIsAnnouncedOnceAndAWaitingCallAnew()
    {
        manager->reportIncoming(u"2002"_s);
        manager->reportAnswered();
        QVERIFY(!manager->isRinging());
        QVERIFY(!manager->incomingPanel()->isVisible());
        QTRY_COMPARE(server->closed.size(), 1);

        manager->reportIncoming(u"2002"_s);
        manager->updateIncomingIdentity(u"2002"_s, u"Ana"_s, u"Loja"_s);
        QTest::qWait(150);
        QVERIFY(!manager->isRinging());
        QVERIFY(!manager->incomingPanel()->isVisible());
        QCOMPARE(server->notified.size(), 1);
        QCOMPARE(textOf(manager->incomingPanel(), "incomingCallerName"), u"Ana"_s);

        // A second caller while the call is up is announced anew, and silenced when it stops waiting.
        manager->reportWaitingCall(u"2003"_s);
        QVERIFY(manager->isRinging() && manager->incomingPanel()->isVisible());
        QCOMPARE(textOf(manager->incomingPanel(), "incomingNumber"), u"2003"_s);
        QTRY_COMPARE(server->notified.size(), 2);
        manager->reportWaitingCallEnded();
        QVERIFY(!manager->isRinging() && !manager->incomingPanel()->isVisible());
        QVERIFY(manager->isCallAnnounced());
    }

    void theEndReArmsForTheNextCallWithTheSamePanel()
    {
        manager->reportIncoming(u"2002"_s);
        manager->updateIncomingIdentity(u"2002"_s, u"Ana"_s, u"Loja Centro"_s);
        QTRY_COMPARE(server->notified.size(), 2);
        QQuickWindow *panel = manager->incomingPanel();
        manager->reportEnded();
        QVERIFY(!manager->isCallAnnounced());
        QVERIFY(!manager->isRinging());
        QVERIFY(!panel->isVisible());

        manager->reportIncoming(u"2003"_s);
        QVERIFY(manager->isRinging());
        QCOMPARE(manager->incomingPanel(), panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(textOf(panel, "incomingNumber"), u"2003"_s);
        // Nothing of the previous caller shows for the new one.
        QVERIFY(!item(panel, "incomingCallerName")->isVisible());
        QCOMPARE(textOf(panel, "incomingSource"), u"Identificando origem…"_s);
        QTRY_COMPARE(server->notified.size(), 3);
        QCOMPARE(server->notified.last().replacesId, 0u);
    }

    void declineFromThePanelEndsOnceAndSilencesAtOnce()
    {
        manager->reportIncoming(u"2002"_s);
        QTRY_COMPARE(server->notified.size(), 1);
        click(manager->incomingPanel(), "declineButton");
        QCOMPARE(ends, 1);
        QCOMPARE(answers, 0);
        QVERIFY(!manager->isRinging());
        QVERIFY(!manager->incomingPanel()->isVisible());
        QTRY_COMPARE(server->closed, QList<uint>{server->lastId()});

        // A click on the notification that was still on screen is stale.
        emit server->ActionInvoked(server->lastId(), u"VOZEL_DECLINE"_s);
        QTest::qWait(150);
        QCOMPARE(ends, 1);
        // Still announced until the owner reports the end.
        QVERIFY(manager->isCallAnnounced());
    }

    void answerFromThePanel()
    {
        manager->reportIncoming(u"2002"_s);
        click(manager->incomingPanel(), "answerButton");
        QCOMPARE(answers, 1);
        QCOMPARE(ends, 0);
        QVERIFY(!manager->isRinging());
        QVERIFY(!manager->incomingPanel()->isVisible());
    }

    void notificationActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answers");
        QTest::addColumn<int>("ends");
        QTest::addColumn<bool>("stillAnnouncing");
        QTest::newRow("answer") << u"VOZEL_ANSWER"_s << 1 << 0 << false;
        QTest::newRow("click on the notification") << u"default"_s << 1 << 0 << false;
        QTest::newRow("decline") << u"VOZEL_DECLINE"_s << 0 << 1 << false;
        QTest::newRow("unknown") << u"VOZEL_SNOOZE"_s << 0 << 0 << true;
    }

    void notificationActions()
    {
        QFETCH(QString, action);
        manager->reportIncoming(u"2002"_s);
        dialer->hide();
        QTRY_COMPARE(server->notified.size(), 1);
        emit server->ActionInvoked(server->lastId(), action);
        QTRY_COMPARE(answers + ends, QTest::currentDataTag() == "unknown"_L1 ? 0 : 1);
        QTest::qWait(100);
        QTEST(answers, "answers");
        QTEST(ends, "ends");
        QTEST(manager->isRinging(), "stillAnnouncing");
        QTEST(manager->incomingPanel()->isVisible(), "stillAnnouncing");
        // Answering from the notification brings the dialer back.
        QCOMPARE(dialer->isVisible(), answers == 1);
    }

    void withoutCallbacksTheButtonsOnlySilenceAndHide()
    {
        manager->onAnswer = nullptr;
        manager->onEnd = nullptr;
        manager->reportIncoming(u"2002"_s);
        click(manager->incomingPanel(), "answerButton");
        QVERIFY(!manager->isRinging());
        QVERIFY(!manager->incomingPanel()->isVisible());
    }

private:
    QQmlEngine engine;
    std::unique_ptr<FakeNotificationServer> server;
    std::unique_ptr<QQuickWindow> dialer;
    std::unique_ptr<DesktopCallManager> manager;
    int answers = 0;
    int ends = 0;
};

QTEST_MAIN(DesktopCallManagerTest)
#include "DesktopCallManagerTest.moc"
