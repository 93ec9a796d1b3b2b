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
        QStringList outcome; // each entry's text, then how often opening and quitting were asked
        for (QAction *action : tray.menu().actions()) {
            if (action->isSeparator())
                continue;
            action->trigger();
            outcome << u"%1 %2 %3"_s.arg(action->text()).arg(opened.size()).arg(quit.size());
        }
        QCOMPARE(outcome, (QStringList{u"Abrir Vozel 1 0"_s, u"Sair 1 1"_s}));
    }

    // With a tray to bring it back, closing the dialer hides it; without one, it minimises.
    void closingTheDialerKeepsItRunning_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }

    void closingTheDialerKeepsItRunning()
    {
        QFETCH(bool, tray);
        QWindow dialer;
        DialerWindowKeeper keeper(dialer, [tray] { return tray; });
        dialer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialer));
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QVERIFY(!dialer.close());
        QCOMPARE(dialer.isVisible(), !tray);
        QCOMPARE(dialer.windowStates().testFlag(Qt::WindowMinimized), !tray);
        QCOMPARE(lastClosed.size(), 0);

        keeper.present();
        QVERIFY(dialer.isVisible());
        QVERIFY(!dialer.windowStates().testFlag(Qt::WindowMinimized));
        QVERIFY(QTest::qWaitForWindowActive(&dialer));
    }

    void quittingStillEndsTheApplication()
    {
        QWindow dialer;
        DialerWindowKeeper keeper(dialer, [] { return true; });
        dialer.show();
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        QTimer::singleShot(3000, &dialer, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(BackgroundRunningTest)
#include "BackgroundRunningTest.moc"
