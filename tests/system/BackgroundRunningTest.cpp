#include "system/DialerWindowKeeper.h"
#include "system/TrayIcon.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace vozel;
using namespace Qt::StringLiterals;

class BackgroundRunningTest : public QObject {
    Q_OBJECT

private slots:
    void theTrayMenuOpensAndQuits()
    {
        TrayIcon tray;
        QSignalSpy opened(&tray, &TrayIcon::openRequested);
        QSignalSpy quit(&tray, &TrayIcon::quitRequested);
        QStringList texts;
        QList<QAction *> entries;
        for (QAction *action : tray.menu().actions()) {
            if (!action->isSeparator()) {
                texts << action->text();
                entries << action;
            }
        }
        QCOMPARE(texts, (QStringList{u"Abrir Vozel"_s, u"Sair"_s}));

        entries[0]->trigger();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(quit.size(), 0);
        entries[1]->trigger();
        QCOMPARE(quit.size(), 1);
    }

    void closingTheDialerHidesItWhileTheTrayCanBringItBack()
    {
        QWindow dialer;
        DialerWindowKeeper keeper(dialer, [] { return true; });
        dialer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialer));
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);

        QVERIFY(!dialer.close());
        QVERIFY(!dialer.isVisible());
        QVERIFY(dialer.handle()); // still there, only hidden
        QCOMPARE(lastClosed.size(), 0);

        keeper.present();
        QVERIFY(dialer.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&dialer));
    }

    void withoutATrayClosingMinimises()
    {
        QWindow dialer;
        DialerWindowKeeper keeper(dialer, [] { return false; });
        dialer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialer));
        QVERIFY(!dialer.close());
        QVERIFY(dialer.isVisible());
        QVERIFY(dialer.windowStates().testFlag(Qt::WindowMinimized));

        keeper.present();
        QVERIFY(!dialer.windowStates().testFlag(Qt::WindowMinimized));
    }

    void quittingStillEndsTheApplication()
    {
        QWindow dialer;
        DialerWindowKeeper keeper(dialer, [] { return true; });
        dialer.show();
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        watchdog.start(3000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(BackgroundRunningTest)
#include "BackgroundRunningTest.moc"
