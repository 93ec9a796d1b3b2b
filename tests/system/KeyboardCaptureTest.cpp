#include "system/KeyboardCapture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

using namespace vozel;
using namespace Qt::StringLiterals;

// A dialer stand-in: the capture, a keypad shortcut for "5" like the real keypad keys carry,
// an area holding the focus that records the keys reaching it, and a text field.
const QByteArray scene = R"(
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

class KeyboardCaptureTest : public QObject {
    Q_OBJECT

private slots:
    // Where one key press ends up: "<action kind>:<text>", "area", "shortcut" or "field:<text>".
    void keyPresses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("focus"); // "field", or the capture "off"; else the dialer area
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *tag, int key, int modifiers, const char *outcome,
                            const QString &clipboard = {}, const QString &focus = {}) {
            QTest::newRow(tag) << key << modifiers << clipboard << focus << QString::fromUtf8(outcome);
        };
        const int ctrl = Qt::ControlModifier;
        row("digit", Qt::Key_5, 0, "Digit:5");
        row("keypad digit", Qt::Key_7, Qt::KeypadModifier, "Digit:7");
        row("backspace", Qt::Key_Backspace, 0, "Delete:");
        row("forward delete", Qt::Key_Delete, 0, "Delete:");
        row("return", Qt::Key_Return, 0, "Call:");
        row("keypad enter", Qt::Key_Enter, Qt::KeypadModifier, "Call:");
        row("paste", Qt::Key_V, ctrl, "Paste:+55 (11) 4000 Ana", u"+55 (11) 4000 Ana"_s);
        row("paste with shift", Qt::Key_V, ctrl | Qt::ShiftModifier, "Paste:2003", u"2003"_s);
        row("paste, empty clipboard", Qt::Key_V, ctrl, "area");
        row("letter", Qt::Key_A, 0, "area");
        row("off: digit", Qt::Key_5, 0, "shortcut", {}, u"off"_s);
        row("field: digit", Qt::Key_4, 0, "field:4", {}, u"field"_s);
        row("field: paste", Qt::Key_V, ctrl, "field:99", u"99"_s, u"field"_s);
    }

    void keyPresses()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, focus);
        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(scene, QUrl(u"qrc:/scene.qml"_s));
        std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(window, qPrintable(component.errorString()));
        window->show();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto *capture = window->findChild<KeyboardCapture *>(u"capture"_s);
        auto *field = window->findChild<QQuickItem *>(u"field"_s);
        QSignalSpy triggered(capture, &KeyboardCapture::triggered);
        capture->setEnabled(focus != "off"_L1);
        if (focus == "field"_L1)
            field->forceActiveFocus();
        QGuiApplication::clipboard()->setText(clipboard);

        QFETCH(int, key);
        QFETCH(int, modifiers);
        QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QStringList outcome;
        for (const auto &signal : triggered) // QML handlers tell the kinds apart by name
            outcome << QStringList{signal.at(0).toString(), signal.at(1).toString()}.join(u':');
        outcome << QStringList(window->property("areaKeys").toInt(), u"area"_s)
                << QStringList(window->property("shortcutHits").toInt(), u"shortcut"_s);
        if (const QString typed = field->property("text").toString(); !typed.isEmpty())
            outcome << u"field:"_s + typed;
        QTEST(outcome.join(u' '), "outcome");
    }
};

QTEST_MAIN(KeyboardCaptureTest)
#include "KeyboardCaptureTest.moc"
