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

    // Answer or decline, from the panel or the notification: one report, silence at once; a click
    // on another application's notification or a later one on this is stale. The call stays announced until its end is reported.
    void answeringAndDeclining_data()
    {
        QTest::addColumn<QString>("panelButton"); // empty: the notification's action instead
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answers");
        QTest::addColumn<int>("ends");
        QTest::newRow("panel answer") << u"answerButton"_s << QString() << 1 << 0;
        QTest::newRow("panel decline") << u"declineButton"_s << QString() << 0 << 1;
        QTest::newRow("answer") << QString() << u"VOZEL_ANSWER"_s << 1 << 0;
        QTest::newRow("click on the notification") << QString() << u"default"_s << 1 << 0;
        QTest::newRow("decline") << QString() << u"VOZEL_DECLINE"_s << 0 << 1;
        QTest::newRow("unknown") << QString() << u"VOZEL_SNOOZE"_s << 0 << 0;
    }

    void answeringAndDeclining()
    {
        QFETCH(QString, panelButton);
        QFETCH(QString, action);
        manager->reportIncoming(u"2002"_s);
        dialer->hide();
        QTRY_COMPARE(server->notified.size(), 1);
        emit server->ActionInvoked(server->lastId() + 7, u"VOZEL_ANSWER"_s); // another application's
        if (!panelButton.isEmpty())
            click(manager->incomingPanel(), panelButton.toLatin1().constData());
        else
            emit server->ActionInvoked(server->lastId(), action);
        const bool acted = QTest::currentDataTag() != "unknown"_L1;
        QTRY_COMPARE(answers + ends, int(acted));
        QCOMPARE(manager->isRinging(), !acted);
        QCOMPARE(manager->incomingPanel()->isVisible(), !acted);
        if (acted) {
            QTRY_COMPARE(server->closed, QList<uint>{server->lastId()});
            emit server->ActionInvoked(server->lastId(), u"VOZEL_DECLINE"_s);
            QTest::qWait(150);
        }
        QTEST(answers, "answers");
        QTEST(ends, "ends");
        QVERIFY(manager->isCallAnnounced());
        // Answering from the notification brings the dialer back.
        if (panelButton.isEmpty())
            QCOMPARE(dialer->isVisible(), answers == 1);
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
