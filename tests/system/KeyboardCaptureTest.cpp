#include "system/KeyboardCapture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
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

namespace {

// A dialer stand-in: the capture, a keypad shortcut for "5" like the real keypad keys
// carry, an area holding the focus that records every key that reaches it, and a field.
const QByteArray scene = R"(
import QtQuick
import QtQuick.Controls
import Vozel.System

Window {
    id: dialer
    width: 300; height: 300
    property var reached: []
    property int shortcutHits: 0
    property string lastPaste
    property alias capture: capture
    property alias field: field
    property alias area: area

    KeyboardCapture {
        id: capture
        window: dialer
        onTriggered: (kind, text) => { if (kind === DialerKeyAction.Paste) lastPaste = text }
    }
    Shortcut { sequence: "5"; onActivated: shortcutHits++ }
    Item {
        id: area
        width: 300; height: 100
        focus: true
        Keys.onPressed: event => reached.push(event.key)
    }
    TextField { id: field; y: 150; width: 200 }
}
)"_ba;

// The keys that reached the dialer area, leaving out the modifier keys the test presses
// around a combination.
QList<int> keysThatReached(QQuickWindow &window)
{
    QList<int> keys;
    for (const QVariant &key : window.property("reached").toList()) {
        if (key.toInt() < Qt::Key_Shift || key.toInt() > Qt::Key_Alt)
            keys << key.toInt();
    }
    return keys;
}

QString describe(const QList<QVariant> &signal)
{
    static const char *const names[] = {"digit", "paste", "delete", "call"};
    const auto kind = signal.at(0).value<DialerKeyAction::Kind>();
    const QString text = signal.at(1).toString();
    return QString::fromLatin1(names[int(kind)]) + (text.isEmpty() ? QString() : u':' + text);
}

} // namespace

class KeyboardCaptureTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(scene, QUrl(u"qrc:/scene.qml"_s));
        window.reset(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(window, qPrintable(component.errorString()));
        window->show();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        capture = window->property("capture").value<KeyboardCapture *>();
        QVERIFY(capture);
        spy = std::make_unique<QSignalSpy>(capture, &KeyboardCapture::triggered);
        QGuiApplication::clipboard()->clear();
    }

    void cleanup()
    {
        spy.reset();
        window.reset();
    }

    void keyPresses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("clipboard"); // "<image>" puts only a picture there
        QTest::addColumn<QString>("action");    // empty: the key goes on to the window

        QTest::newRow("digit") << int(Qt::Key_5) << 0 << QString() << u"digit:5"_s;
        QTest::newRow("hash") << int(Qt::Key_NumberSign) << int(Qt::ShiftModifier) << QString() << u"digit:#"_s;
        QTest::newRow("keypad digit") << int(Qt::Key_7) << int(Qt::KeypadModifier) << QString() << u"digit:7"_s;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << QString() << u"delete"_s;
        QTest::newRow("forward delete") << int(Qt::Key_Delete) << 0 << QString() << u"delete"_s;
        QTest::newRow("return") << int(Qt::Key_Return) << 0 << QString() << u"call"_s;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << QString() << u"call"_s;
        QTest::newRow("paste") << int(Qt::Key_V) << int(Qt::ControlModifier) << u"+55 (11) 4000-1234 Ana"_s
                               << u"paste:+55 (11) 4000-1234 Ana"_s;
        QTest::newRow("paste with shift") << int(Qt::Key_V) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                          << u"2003"_s << u"paste:2003"_s;
        QTest::newRow("paste, empty clipboard") << int(Qt::Key_V) << int(Qt::ControlModifier) << QString() << QString();
        QTest::newRow("paste, only a picture") << int(Qt::Key_V) << int(Qt::ControlModifier) << u"<image>"_s << QString();
        QTest::newRow("letter") << int(Qt::Key_A) << 0 << QString() << QString();
        QTest::newRow("plus") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << QString() << QString();
    }

    void keyPresses()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, clipboard);
        QFETCH(QString, action);
        if (clipboard == "<image>"_L1) {
            auto *data = new QMimeData;
            QImage picture(4, 4, QImage::Format_RGB32);
            picture.fill(Qt::red);
            data->setImageData(picture);
            QGuiApplication::clipboard()->setMimeData(data);
        } else if (!clipboard.isEmpty()) {
            QGuiApplication::clipboard()->setText(clipboard);
        }

        QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QStringList actions;
        for (const auto &signal : *spy)
            actions << describe(signal);
        QCOMPARE(actions, action.isEmpty() ? QStringList() : QStringList{action});
        QCOMPARE(keysThatReached(*window), action.isEmpty() ? QList<int>{key} : QList<int>{});
        QCOMPARE(window->property("shortcutHits").toInt(), 0);
        // QML handlers tell the kinds apart by name.
        QCOMPARE(window->property("lastPaste").toString(), action.startsWith("paste"_L1) ? clipboard : QString());
    }

    void theDialerKeysWinOverKeypadShortcutsOnlyWhileEnabled()
    {
        QTest::keyClick(window.get(), Qt::Key_5);
        QCOMPARE(spy->size(), 1);
        QCOMPARE(window->property("shortcutHits").toInt(), 0);

        capture->setEnabled(false);
        QTest::keyClick(window.get(), Qt::Key_5);
        QTest::keyClick(window.get(), Qt::Key_Return);
        QGuiApplication::clipboard()->setText(u"2003"_s);
        QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(spy->size(), 1);
        QCOMPARE(window->property("shortcutHits").toInt(), 1);
        QCOMPARE(keysThatReached(*window), (QList<int>{Qt::Key_Return, Qt::Key_V}));

        capture->setEnabled(true);
        QTest::keyClick(window.get(), Qt::Key_5);
        QCOMPARE(spy->size(), 2);
    }

    void aFocusedTextFieldGetsItsKeys()
    {
        auto *field = window->property("field").value<QQuickItem *>();
        field->forceActiveFocus();
        QVERIFY(field->hasActiveFocus());
        QGuiApplication::clipboard()->setText(u"99"_s);

        QTest::keyClick(window.get(), Qt::Key_4);
        QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_Backspace);
        QTest::keyClick(window.get(), Qt::Key_Return);
        QCOMPARE(field->property("text").toString(), u"49"_s);
        QCOMPARE(spy->size(), 0);

        // Focus back on the dialer area: the capture takes keys again.
        window->property("area").value<QQuickItem *>()->forceActiveFocus();
        QTest::keyClick(window.get(), Qt::Key_4);
        QCOMPARE(spy->size(), 1);
    }

private:
    QQmlEngine engine;
    std::unique_ptr<QQuickWindow> window;
    KeyboardCapture *capture = nullptr;
    std::unique_ptr<QSignalSpy> spy;
};

QTEST_MAIN(KeyboardCaptureTest)
#include "KeyboardCaptureTest.moc"
