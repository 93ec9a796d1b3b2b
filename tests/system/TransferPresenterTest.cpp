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
    void init()
    {
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData("import Vozel.System\nTransferPresenter {}", QUrl(u"qrc:/presenter.qml"_s));
        presenter.reset(qobject_cast<TransferPresenter *>(component.create()));
        QVERIFY2(presenter, qPrintable(component.errorString()));
        confirmed = std::make_unique<QSignalSpy>(presenter.get(), &TransferPresenter::confirmed);
        cancelled = std::make_unique<QSignalSpy>(presenter.get(), &TransferPresenter::cancelled);
    }

    void cleanup()
    {
        confirmed.reset();
        cancelled.reset();
        presenter.reset();
    }

    void presentingShowsThePanelWithTheFieldFocused()
    {
        QVERIFY(!presenter->panel());
        presenter->setPresented(true);
        QQuickWindow *panel = presenter->panel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->flags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
        QProcess xprop; // what the X11 window manager reads: every workspace
        xprop.start(u"xprop"_s, {u"-id"_s, QString::number(panel->winId()), u"_NET_WM_STATE"_s, u"_NET_WM_DESKTOP"_s});
        QVERIFY(xprop.waitForFinished(5000));
        const QString hints = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(hints.contains("_NET_WM_STATE_STICKY"_L1) && hints.contains("= 4294967295"_L1), qPrintable(hints));
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QTRY_VERIFY(item(panel, "transferField")->hasActiveFocus());
    }

    // Which characters make a target is DialString's rule; here, that the panel applies it.
    void buttonsAndKeysConfirmTheTargetOrCancel()
    {
        presenter->setPresented(true);
        QQuickWindow *panel = presenter->panel();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QTRY_VERIFY(item(panel, "transferField")->hasActiveFocus());
        for (const char c : "sala *#"_ba)
            QTest::keyClick(panel, c);
        QTest::keyClick(panel, Qt::Key_Return);
        QCOMPARE(confirmed->size(), 0);
        item(panel, "transferField")->setProperty("text", u"ramal ٢٠٠٣"_s);
        QTest::keyClick(panel, Qt::Key_Return);
        click(panel, "transferCallButton");
        QTest::keyClick(panel, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(*confirmed, (QList<QList<QVariant>>{{u"2003"_s}, {u"2003"_s}, {u"2003"_s}}));
        // The dialer hides the panel once the transfer started; until then it stays.
        QVERIFY(panel->isVisible());
        QCOMPARE(cancelled->size(), 0);

        click(panel, "transferCancelButton");
        QCOMPARE(cancelled->size(), 1);
        QVERIFY(!panel->isVisible());
        // The dialer follows the cancellation by no longer presenting: no second report.
        presenter->setPresented(false);
        QCOMPARE(cancelled->size(), 1);

        presenter->setPresented(true);
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QTest::keyClick(panel, Qt::Key_Escape);
        QCOMPARE(cancelled->size(), 2);
        QVERIFY(!panel->isVisible());
    }

    void onlyClosesFromOutsideReportACancel()
    {
        presenter->setPresented(true);
        presenter->setPresented(false); // the dialer hides it after a successful start
        QVERIFY(!presenter->panel()->isVisible());
        QCOMPARE(cancelled->size(), 0);

        presenter->setPresented(true);
        presenter->panel()->close(); // the window manager, Alt+F4
        QTRY_COMPARE(cancelled->size(), 1);
        presenter->setPresented(false);
        QCOMPARE(cancelled->size(), 1);
    }

    void theTypedTextIsStillThereWhenShownAgain()
    {
        presenter->setPresented(true);
        QQuickWindow *panel = presenter->panel();
        item(panel, "transferField")->setProperty("text", u"20"_s);
        presenter->setPresented(false);
        presenter->setPresented(true);
        QCOMPARE(presenter->panel(), panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(textOf(panel, "transferField"), u"20"_s);
    }

private:
    QQmlEngine engine;
    std::unique_ptr<TransferPresenter> presenter;
    std::unique_ptr<QSignalSpy> confirmed;
    std::unique_ptr<QSignalSpy> cancelled;
};

QTEST_MAIN(TransferPresenterTest)
#include "TransferPresenterTest.moc"
