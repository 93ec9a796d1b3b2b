// Runs the view tests (tst_*.qml) with the Vozel.Ui module and a fresh model rig.
#include "ModelHarness.h"

#include "model/domain/CallHistoryItem.h"

#include <QAccessible>
#include <QClipboard>
#include <QCoroQml>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)
Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

namespace vozel::test {

// A real model over the fakes, rebuilt for every test, and handles to make the fakes report.
class UiRig : public QObject {
    Q_OBJECT
    Q_PROPERTY(vozel::VozelModel *model READ model)

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // As with a screen reader running, so controls carry the names it would read.
        QAccessible::setActive(true);
        QCoro::Qml::registerTypes();
        engine->addImportPath(u"qrc:/"_qs);
        engine->rootContext()->setContextProperty(u"rig"_qs, this);
    }

public:
    VozelModel *model() const { return m_harness ? m_harness->model.get() : nullptr; }

    // `accounts` stored, 2001 (named `nickname`) active; `history` as rows {number, direction
    // (a CallHistory kind), sourceLabel}, a minute apart back from 2 May 2024 09:05.
    Q_INVOKABLE void start(int accounts, const QString &nickname, const QVariantList &history)
    {
        m_harness = std::make_unique<ModelHarness>();
        SIPAccountCollection collection;
        for (int i = accounts; i >= 1; --i)
            collection.save(sampleAccount(QString::number(2000 + i)), std::nullopt,
                            i == 1 && !nickname.isEmpty() ? std::optional(nickname) : std::nullopt);
        m_harness->storeAccounts(collection);
        QList<CallHistoryItem> rows;
        const QDateTime newest(QDate(2024, 5, 2), QTime(9, 5));
        for (const QVariant &row : history) {
            const QVariantMap fields = row.toMap();
            const double seconds = newest.addSecs(-60 * rows.size()).toSecsSinceEpoch();
            rows.append({QUuid::createUuid(), fields[u"number"_s].toString(),
                         {seconds - double(ReferenceDate::epochOffsetSeconds)},
                         CallHistoryItem::Direction(fields[u"direction"_s].toInt()), 0,
                         fields.contains(u"sourceLabel"_s) ? std::optional(fields[u"sourceLabel"_s].toString())
                                                           : std::nullopt});
        }
        m_harness->defaults->setData(VozelModel::historyKey, CallHistoryItem::encodeList(rows));
        m_harness->start();
    }

    Q_INVOKABLE void reportRegistration(vozel::RegistrationState::Kind kind, const QString &message = {})
    {
        m_harness->engine->report(RegistrationState{kind, message});
    }

    Q_INVOKABLE void reportCall(vozel::VozelCallState::Kind kind, const QString &number = {})
    {
        m_harness->engine->report(VozelCallState{kind, number});
    }

    Q_INVOKABLE void failTransfers(const QString &message) { m_harness->engine->transferFailure = Failure(message); }
    Q_INVOKABLE void failProvisioning(const QString &message) { m_harness->provisioning->failure = Failure(message); }
    Q_INVOKABLE void holdOriginLookups() { m_harness->originLookup->gate.held = true; }
    Q_INVOKABLE void failSecretStore() { m_harness->secrets->failureStatus = -25308; }
    Q_INVOKABLE QStringList operations() const { return m_harness->engine->operations; }

    Q_INVOKABLE void plugDevices()
    {
        m_harness->engine->devices = {
            {u"usb"_s, u"Vozel Headset"_s, true, true, true},
            {u"mic"_s, u"Microfone interno"_s, true, false, false},
            {u"spk"_s, u"Alto-falantes internos"_s, false, true, false},
        };
        m_harness->engine->onAudioDevicesChanged();
    }

    Q_INVOKABLE void setClipboard(const QString &text) { QGuiApplication::clipboard()->setText(text); }

    // A click as the desktop delivers it, which never reaches a window a modal one blocks.
    Q_INVOKABLE void clickThroughTheDesktop(QQuickItem *item)
    {
        const QPointF centre(item->width() / 2, item->height() / 2);
        QTest::mouseClick(item->window(), Qt::LeftButton, {}, item->mapToScene(centre).toPoint());
    }

    Q_INVOKABLE void pressAccessibly(QObject *control)
    {
        QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    }

private:
    std::unique_ptr<ModelHarness> m_harness;
};

} // namespace vozel::test

QUICK_TEST_MAIN_WITH_SETUP(ui_views, vozel::test::UiRig)

#include "QuickTestMain.moc"
