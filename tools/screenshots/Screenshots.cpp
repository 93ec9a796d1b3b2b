// Shows the application's windows in a few typical states over the tests' fakes and saves
// each as a PNG, so a person can look at them. Build with -DVOZEL_BUILD_SCREENSHOTS=ON, then
// run `tests/sandbox.sh build/tools/screenshots/vozel_screenshots` (it needs a display);
// the images land in build/tools/screenshots/screenshots.
#include "ModelHarness.h"

#include <QCoroQml>
#include <QDir>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)
Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

using namespace Qt::StringLiterals;
using namespace vozel;
using namespace vozel::test;

class Screenshots : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(folder()));
        QCoro::Qml::registerTypes();
        m_engine.addImportPath(u"qrc:/"_s);
    }

    void notConfigured()
    {
        ModelHarness harness;
        auto window = show(harness.start());
        save(*window, u"dialer-not-configured"_s);
    }

    void connectedWithANumber()
    {
        ModelHarness harness;
        SIPAccountCollection accounts;
        accounts.save(sampleAccount(u"2002"_s), std::nullopt, u"Casa Norte"_s);
        accounts.save(sampleAccount(u"2001"_s), std::nullopt, u"Loja Sul"_s);
        harness.storeAccounts(accounts);
        VozelModel &model = harness.start();
        harness.engine->report(RegistrationState::connected());
        model.setNumber(u"11987654321"_s);
        auto window = show(model);
        save(*window, u"dialer-connected"_s);
    }

    void duringACall()
    {
        ModelHarness harness;
        harness.storeTwoAccounts();
        harness.originLookup->label = u"Loja Sul — Atendimento"_s;
        VozelModel &model = harness.start();
        harness.engine->report(RegistrationState::connected());
        harness.engine->report(VozelCallState::incoming(u"1133224455"_s));
        QTRY_COMPARE(model.callSourceLabel(), u"Loja Sul — Atendimento"_s);
        harness.engine->report(VozelCallState::connected(u"1133224455"_s));
        model.toggleSpeaker();
        model.toggleMute();
        auto window = show(model);
        save(*window, u"dialer-in-call"_s);
    }

    void settingsOpen()
    {
        ModelHarness harness;
        harness.storeTwoAccounts();
        harness.engine->devices = {{u"usb"_s, u"Vozel Headset"_s, true, true, true},
                                   {u"spk"_s, u"Alto-falantes internos"_s, false, true, false}};
        VozelModel &model = harness.start();
        harness.engine->report(RegistrationState::connected());
        auto window = show(model);
        dialer(*window)->setProperty("showingSettings", true);
        QQuickWindow *settings = sheet(u"Vozel"_s, window.get());
        QVERIFY(settings);
        save(*settings, u"settings"_s);
    }

    void historyWithRows()
    {
        ModelHarness harness;
        harness.storeTwoAccounts();
        VozelModel &model = harness.start();
        harness.engine->report(RegistrationState::connected());
        for (const QString &number : {u"2002"_s, u"1133224455"_s, u"3003"_s}) {
            harness.engine->report(VozelCallState::dialing(number));
            harness.engine->report(VozelCallState::idle());
        }
        harness.originLookup->label = u"Loja Sul"_s;
        harness.engine->report(VozelCallState::incoming(u"11987654321"_s));
        QTRY_VERIFY(!model.history().isEmpty() && model.history().first().sourceLabel.has_value());
        harness.engine->report(VozelCallState::idle());
        auto window = show(model);
        dialer(*window)->setProperty("showingHistory", true);
        QQuickWindow *history = sheet(u"Histórico"_s, window.get());
        QVERIFY(history);
        save(*history, u"history"_s);
    }

private:
    static QString folder() { return QStringLiteral(SCREENSHOT_FOLDER); }

    std::unique_ptr<QQuickWindow> show(VozelModel &model)
    {
        QQmlComponent component(&m_engine, QUrl(u"qrc:/Vozel/Ui/Main.qml"_s));
        std::unique_ptr<QObject> root(
            component.createWithInitialProperties({{u"vozel"_s, QVariant::fromValue(&model)}}));
        if (!root)
            qFatal("%s", qPrintable(component.errorString()));
        std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow *>(root.release()));
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the dialer window was not shown");
        return window;
    }

    static QObject *dialer(QQuickWindow &window) { return window.property("dialer").value<QObject *>(); }

    // The newest visible top-level window with this title, other than the dialer.
    static QQuickWindow *sheet(const QString &title, QWindow *dialerWindow)
    {
        QQuickWindow *found = nullptr;
        const bool shown = QTest::qWaitFor([&] {
            for (QWindow *window : QGuiApplication::topLevelWindows()) {
                if (window != dialerWindow && window->isVisible() && window->title() == title)
                    found = qobject_cast<QQuickWindow *>(window);
            }
            return found && QTest::qWaitForWindowExposed(found);
        }, 3000);
        return shown ? found : nullptr;
    }

    static void save(QQuickWindow &window, const QString &name)
    {
        QTest::qWait(150);
        const QImage image = window.grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(folder() + u'/' + name + u".png"_s));
    }

    QQmlEngine m_engine;
};

QTEST_MAIN(Screenshots)
#include "Screenshots.moc"
