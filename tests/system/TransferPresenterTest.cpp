#include "PanelProbe.h"
#include "system/TransferPresenter.h"

#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

class TransferPresenterTest : public QObject {
    Q_OBJECT

private slots:
    // Which characters make a target is DialString's rule; here, that the panel applies it.
    void thePanelAsksForTheTargetUntilConfirmedOrCancelled()
    {
        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData("import Vozel.System\nTransferPresenter {}", QUrl(u"qrc:/presenter.qml"_s));
        std::unique_ptr<TransferPresenter> presenter(qobject_cast<TransferPresenter *>(component.create()));
        QVERIFY2(presenter, qPrintable(component.errorString()));
        QSignalSpy confirmed(presenter.get(), &TransferPresenter::confirmed);
        QSignalSpy cancelled(presenter.get(), &TransferPresenter::cancelled);

        presenter->setPresented(true);
        QQuickWindow *panel = presenter->panel();
        QVERIFY(panel && panel->isVisible());
        QVERIFY(panel->flags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
        QProcess xprop; // what the X11 window manager reads: every workspace
        xprop.start(u"xprop"_s, {u"-id"_s, QString::number(panel->winId()), u"_NET_WM_STATE"_s, u"_NET_WM_DESKTOP"_s});
        QVERIFY(xprop.waitForFinished(5000));
        const QString hints = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(hints.contains("_NET_WM_STATE_STICKY"_L1) && hints.contains("= 4294967295"_L1), qPrintable(hints));
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QTRY_VERIFY(item(panel, "transferField")->hasActiveFocus());

        for (const char c : "sala *#"_ba)
            QTest::keyClick(panel, c);
        QTest::keyClick(panel, Qt::Key_Return);
        QCOMPARE(confirmed.size(), 0);
        item(panel, "transferField")->setProperty("text", u"ramal ٢٠٠٣"_s);
        QTest::keyClick(panel, Qt::Key_Return);
        click(panel, "transferCallButton");
        QTest::keyClick(panel, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(confirmed, (QList<QList<QVariant>>{{u"2003"_s}, {u"2003"_s}, {u"2003"_s}}));
        // The dialer hides the panel once the transfer started; the text stays for the next time.
        QVERIFY(panel->isVisible());
        presenter->setPresented(false);
        QVERIFY(!panel->isVisible());
        presenter->setPresented(true);
        QCOMPARE(presenter->panel(), panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(textOf(panel, "transferField"), u"ramal ٢٠٠٣"_s);
        QCOMPARE(cancelled.size(), 0);

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
};

QTEST_MAIN(TransferPresenterTest)
#include "TransferPresenterTest.moc"
