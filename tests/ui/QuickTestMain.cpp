// Runs the view tests (tst_*.qml) with the Vozel.Ui module and a fresh model rig.
#include "UiRig.h"

#include <QAccessible>
#include <QCoroQml>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)
Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

class Setup : public QObject {
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // As with a screen reader running, so controls carry the names it would read.
        QAccessible::setActive(true);
        QCoro::Qml::registerTypes();
        engine->addImportPath(u"qrc:/"_qs);
        engine->rootContext()->setContextProperty(u"rig"_qs, &m_rig);
    }

private:
    vozel::test::UiRig m_rig;
};

QUICK_TEST_MAIN_WITH_SETUP(ui_views, Setup)

#include "QuickTestMain.moc"
