// The desktop side on the X display of tests/sandbox.sh, with a notification service on its session
// bus: the incoming-call and transfer panels, the dialer's keyboard capture, the tray and closed dialer.

#include "system/DesktopCallManager.h"
#include "system/DialerWindowKeeper.h"
#include "system/KeyboardCapture.h"
#include "system/TransferPresenter.h"
#include "system/TrayIcon.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

using namespace vozel;
using namespace Qt::StringLiterals;

// A dialer stand-in: the capture, a keypad shortcut for "5", a focused area counting the keys reaching it.
const QByteArray dialerScene = R"(
import QtQuick
import QtQuick.Controls
import Vozel.System
Window {
    id: dialer
    width: 300; height: 300
    property int areaKeys: 0
    property int shortcutHits: 0
    KeyboardCapture { objectName: "capture"; window: dialer }
    Shortcut { sequence: "5"; onActivated: shortcutHits++ }
    Item {
        focus: true
        Keys.onPressed: event => { if (event.key < Qt.Key_Shift || event.key > Qt.Key_Alt) areaKeys++ }
    }
    TextField { objectName: "field" }
}
)"_ba;

QQuickItem *item(QQuickWindow *window, const char *objectName)
{
    return window->findChild<QQuickItem *>(QLatin1String(objectName));
}

// A real mouse click in the middle of the named item, once laid out.
void click(QQuickWindow *window, const char *objectName)
{
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QQuickItem *target = item(window, objectName);
    QTRY_VERIFY(target->width() > 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, target->mapToScene(target->boundingRect().center()).toPoint());
}

// A notification service on a bus connection of its own, as a desktop's: records what it is asked
// and emits the signals a user's clicks cause.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id, replacesId;
        QString body;
    };
    QList<Notification> notified;
    QList<uint> closed;

    NotificationService() : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desktop"_s))
    {
        bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportScriptableContents);
        bus.registerService(u"org.freedesktop.Notifications"_s);
    }
    uint lastId() const { return notified.isEmpty() ? 0 : notified.last().id; }

public slots:
    Q_SCRIPTABLE uint Notify(const QString &, uint replacesId, const QString &, const QString &, const QString &body,
                             const QStringList &, const QVariantMap &, int)
    {
        const uint id = replacesId != 0 ? replacesId : 41 + notified.size(); // not 1, so a mix-up with a count shows
        notified << Notification{id, replacesId, body};
        return id;
    }
    Q_SCRIPTABLE void CloseNotification(uint id)
    {
        closed << id;
        emit NotificationClosed(id, 3);
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {u"actions"_s, u"body"_s, u"body-markup"_s}; }

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString &action_key);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus;
};

// Lets every call already sent reach the service and its answers come back.
void settle()
{
    QTest::qWait(150);
}

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { engine.addImportPath(u"qrc:/"_s); }

    void init()
    {
        QQmlComponent component(&engine);
        component.setData(dialerScene, QUrl(u"qrc:/dialer.qml"_s));
        dialer.reset(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(dialer, qPrintable(component.errorString()));
        manager = std::make_unique<DesktopCallManager>();
        manager->setDialerWindow(dialer.get());
        reports.clear();
        manager->onAnswer = [this] { reports << u"answer"_s; };
        manager->onEnd = [this] { reports << u"end"_s; };
        settle(); // the capabilities, and the last closes of the previous test's notifications
        service.notified.clear();
        service.closed.clear();
    }

    void cleanup()
    {
        // As at quit: the engine's windows go first, the model with its manager after.
        dialer.reset();
        manager.reset();
    }

    // Calls crossing the notification service's answers, the user's dismissal of the notification
    // or the end of the call leave nothing behind.
    void aCallRingsUntilAnsweredOrEnded()
    {
        // The owner refreshes the caller's lines right after announcing, before the service answers.
        manager->reportIncoming(u"2002"_s);
        manager->updateIncomingIdentity(u"2002"_s, u"Ana"_s, u"Identificando origem…"_s);
        manager->updateIncomingIdentity(u"2002"_s, u"<b>Ana</b> & Cia"_s, u"Loja Centro"_s);
        QTRY_COMPARE(seen(), u"ringing | <b>Ana</b> & Cia | 2002 | Loja Centro | notified 2 closed 0"_s);
        QQuickWindow *panel = manager->incomingPanel();
        QCOMPARE(item(panel, "incomingCallerName")->property("textFormat").toInt(), Qt::PlainText);
        QVERIFY(dialer->isVisible());
        QProcess xprop; // what the X11 window manager reads: above the others, on every workspace
        xprop.start(u"xprop"_s, {u"-id"_s, QString::number(panel->winId()), u"_NET_WM_STATE"_s, u"_NET_WM_DESKTOP"_s});
        QVERIFY(xprop.waitForFinished(5000));
        const QString hints = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(hints.contains("_NET_WM_STATE_ABOVE"_L1) && hints.contains("_NET_WM_STATE_STICKY"_L1)
                     && hints.contains("= 4294967295"_L1),
                 qPrintable(hints));
        QCOMPARE(service.notified[0].body, u"2002\nIdentificando origem…"_s);
        QCOMPARE(service.notified[1].replacesId, service.notified[0].id);
        // The caller's name comes from the remote party: it never becomes markup.
        QCOMPARE(service.notified[1].body, u"&lt;b&gt;Ana&lt;/b&gt; &amp; Cia\n2002\nLoja Centro"_s);
        manager->reportEnded(); // the caller gave up
        QTRY_COMPARE(seen(), u"silent | notified 2 closed 1"_s);

        // A call that ends before the service answered.
        manager->reportIncoming(u"2003"_s);
        manager->reportEnded();
        QTRY_COMPARE(seen(), u"silent | notified 3 closed 2"_s);

        // The next call shows nothing of the previous caller.
        manager->reportIncoming(u"2004"_s);
        QTRY_COMPARE(seen(), u"ringing | 2004 | Identificando origem… | notified 4 closed 2"_s);
        // The user dismisses the notification just as an update leaves, which shows it again; once
        // dismissed, it is not brought back.
        manager->updateIncomingIdentity(u"2004"_s, u"Bia"_s, u"Loja"_s);
        emit service.NotificationClosed(service.lastId(), 2);
        QTRY_COMPARE(seen(), u"ringing | Bia | 2004 | Loja | notified 5 closed 3"_s);
        manager->updateIncomingIdentity(u"2004"_s, u"Bia"_s, u"Loja Centro"_s);
        manager->reportAnswered();
        QTRY_COMPARE(seen(), u"silent | notified 5 closed 3"_s);
        // The same call reported again is not announced again.
        manager->reportIncoming(u"2004"_s);
        QTRY_COMPARE(seen(), u"silent | notified 5 closed 3"_s);
        // A second caller while the call is up is announced anew, and silenced when it stops waiting.
        manager->reportWaitingCall(u"2005"_s);
        QTRY_COMPARE(seen(), u"ringing | 2005 | Identificando origem… | notified 6 closed 3"_s);
        manager->reportWaitingCallEnded();
        QTRY_COMPARE(seen(), u"silent | notified 6 closed 4"_s);
        QVERIFY(manager->isCallAnnounced());
    }

    // Answer or decline, from the panel or the notification: one report, silence at once; a click on
    // another application's notification or a later one on this is stale. The call stays announced.
    void answeringAndDeclining_data()
    {
        QTest::addColumn<QString>("choice"); // a button of the panel, or an action of the notification
        QTest::addColumn<QString>("reported");
        QTest::newRow("panel answer") << u"answerButton"_s << u"answer"_s;
        QTest::newRow("panel decline") << u"declineButton"_s << u"end"_s;
        QTest::newRow("answer") << u"VOZEL_ANSWER"_s << u"answer"_s;
        QTest::newRow("click on the notification") << u"default"_s << u"answer"_s;
        QTest::newRow("decline") << u"VOZEL_DECLINE"_s << u"end"_s;
        QTest::newRow("unknown") << u"VOZEL_SNOOZE"_s << QString();
    }

    void answeringAndDeclining()
    {
        QFETCH(QString, choice);
        QFETCH(QString, reported);
        manager->reportIncoming(u"2002"_s);
        dialer->hide();
        QTRY_COMPARE(service.notified.size(), 1);
        emit service.ActionInvoked(service.lastId() + 7, u"VOZEL_ANSWER"_s); // another application's
        if (choice.endsWith("Button"_L1))
            click(manager->incomingPanel(), choice.toLatin1().constData());
        else
            emit service.ActionInvoked(service.lastId(), choice);
        QTRY_COMPARE(seen(), reported.isEmpty() ? u"ringing | 2002 | Identificando origem… | notified 1 closed 0"_s
                                                : u"silent | notified 1 closed 1"_s);
        QCOMPARE(reports.join(u' '), reported);
        if (!choice.endsWith("Button"_L1)) // answering from the notification brings the dialer back
            QCOMPARE(dialer->isVisible(), reported == "answer"_L1);
        emit service.ActionInvoked(service.lastId(), u"VOZEL_DECLINE"_s); // a later click
        settle();
        QCOMPARE(reports.join(u' '), reported.isEmpty() ? u"end"_s : reported);
        QVERIFY(manager->isCallAnnounced());
    }

    // Which characters make a target is DialString's rule; here, that the panel applies it.
    void thePanelAsksForTheTargetUntilConfirmedOrCancelled()
    {
        QQmlComponent component(&engine);
        component.setData("import Vozel.System\nTransferPresenter {}", QUrl(u"qrc:/presenter.qml"_s));
        std::unique_ptr<TransferPresenter> presenter(qobject_cast<TransferPresenter *>(component.create()));
        QVERIFY2(presenter, qPrintable(component.errorString()));
        QSignalSpy confirmed(presenter.get(), &TransferPresenter::confirmed);
        QSignalSpy cancelled(presenter.get(), &TransferPresenter::cancelled);

        presenter->setPresented(true);
        QQuickWindow *panel = presenter->panel();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QTRY_VERIFY(item(panel, "transferField")->hasActiveFocus());
        for (const char c : "sala *#"_ba)
            QTest::keyClick(panel, c);
        QTest::keyClick(panel, Qt::Key_Return);
        QCOMPARE(confirmed.size(), 0);
        item(panel, "transferField")->setProperty("text", u"ramal ٢٠٠٣"_s);
        QTest::keyClick(panel, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(confirmed, (QList<QList<QVariant>>{{u"2003"_s}}));
        // The dialer hides the panel once the transfer started; the text stays for the next time.
        presenter->setPresented(false);
        QVERIFY(!panel->isVisible());
        presenter->setPresented(true);
        QCOMPARE(item(panel, "transferField")->property("text").toString(), u"ramal ٢٠٠٣"_s);

        // The button, Escape and the window manager's close each cancel once; the dialer follows
        // by no longer presenting, which reports nothing more.
        const std::function<void()> cancels[] = {[&] { click(panel, "transferCancelButton"); },
                                                 [&] { QTest::keyClick(panel, Qt::Key_Escape); },
                                                 [&] { panel->close(); }};
        for (int i = 0; i < 3; ++i) {
            presenter->setPresented(true);
            QVERIFY(QTest::qWaitForWindowActive(panel));
            cancels[i]();
            QTRY_COMPARE(cancelled.size(), i + 1);
            QVERIFY(!panel->isVisible());
            presenter->setPresented(false);
            QCOMPARE(cancelled.size(), i + 1);
        }
    }

    // Where a key press ends up: "<action kind>:<text>", the focused "area", the keypad "shortcut"
    // or "field:<its text>".
    void keyPresses()
    {
        dialer->show();
        dialer->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(dialer.get()));
        auto *capture = dialer->findChild<KeyboardCapture *>(u"capture"_s);
        QQuickItem *field = item(dialer.get(), "field");
        QSignalSpy triggered(capture, &KeyboardCapture::triggered);
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            triggered.clear();
            dialer->setProperty("areaKeys", 0);
            dialer->setProperty("shortcutHits", 0);
            QTest::keyClick(dialer.get(), key, modifiers);
            QStringList outcome;
            for (const auto &signal : triggered) // QML handlers tell the kinds apart by name
                outcome << signal.at(0).toString() + u':' + signal.at(1).toString();
            outcome << QStringList(dialer->property("areaKeys").toInt(), u"area"_s)
                    << QStringList(dialer->property("shortcutHits").toInt(), u"shortcut"_s);
            if (const QString typed = field->property("text").toString(); !typed.isEmpty())
                outcome << u"field:"_s + typed;
            return outcome.join(u' ');
        };
        QCOMPARE(press(Qt::Key_5, Qt::KeypadModifier), u"Digit:5"_s);
        QGuiApplication::clipboard()->clear();
        QCOMPARE(press(Qt::Key_V, Qt::ControlModifier), u"area"_s); // an empty paste must not clear the number
        QGuiApplication::clipboard()->setText(u"+55 (11) 4000 Ana"_s);
        QCOMPARE(press(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier), u"Paste:+55 (11) 4000 Ana"_s);
        capture->setEnabled(false);
        QCOMPARE(press(Qt::Key_5), u"shortcut"_s);
        capture->setEnabled(true);
        field->forceActiveFocus();
        QCOMPARE(press(Qt::Key_V, Qt::ControlModifier), u"field:+55 (11) 4000 Ana"_s);
    }

    // With a tray to bring it back, closing the dialer hides it; without one, it minimises. Either
    // way the tray's menu opens it again, and quitting still ends the application.
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
        TrayIcon icon; // wired as the application wires it
        connect(&icon, &TrayIcon::openRequested, &keeper, &DialerWindowKeeper::present);
        connect(&icon, &TrayIcon::quitRequested, qApp, &QCoreApplication::quit);
        dialer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialer));
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QVERIFY(!dialer.close());
        QCOMPARE(dialer.isVisible(), !tray);
        QCOMPARE(dialer.windowStates().testFlag(Qt::WindowMinimized), !tray);
        QCOMPARE(lastClosed.size(), 0);

        const QList<QAction *> entries = icon.menu().actions();
        entries.first()->trigger();
        QVERIFY(dialer.isVisible() && !dialer.windowStates().testFlag(Qt::WindowMinimized));
        QVERIFY(QTest::qWaitForWindowActive(&dialer));
        QTimer::singleShot(0, entries.last(), &QAction::trigger);
        QTimer::singleShot(3000, &dialer, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    // What the user meets: the ring, the panel's lines while shown, the notifications posted and
    // closed. Taken once what is already on its way has arrived, so that nothing more comes unseen.
    QString seen()
    {
        settle();
        QQuickWindow *panel = manager->incomingPanel();
        QStringList lines{manager->isRinging() ? u"ringing"_s : u"silent"_s};
        for (const char *name : {"incomingCallerName", "incomingNumber", "incomingSource"}) {
            if (panel->isVisible() && item(panel, name)->isVisible())
                lines << item(panel, name)->property("text").toString();
        }
        lines << u"notified %1 closed %2"_s.arg(service.notified.size()).arg(service.closed.size());
        return lines.join(u" | "_s);
    }

    QQmlEngine engine;
    NotificationService service;
    std::unique_ptr<QQuickWindow> dialer;
    std::unique_ptr<DesktopCallManager> manager;
    QStringList reports;
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
