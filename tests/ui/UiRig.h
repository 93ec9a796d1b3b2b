#pragma once

#include "ModelHarness.h"

#include "model/domain/CallHistoryItem.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QVariantMap>

namespace vozel::test {

// What the view tests drive: a real model over the fakes, rebuilt for every test, and the
// handles to make the fakes report registration, calls, devices and failures.
class UiRig : public QObject {
    Q_OBJECT
    Q_PROPERTY(vozel::VozelModel *model READ model NOTIFY modelChanged)

public:
    VozelModel *model() const { return m_harness ? m_harness->model.get() : nullptr; }

    // Options: accounts (how many stored, the first one active: 0 to 3), nickname (of the
    // active one), history (list of {number, direction, sourceLabel}), registration (kind the
    // engine reports once started).
    Q_INVOKABLE void start(const QVariantMap &options = {})
    {
        m_harness.reset();
        m_harness = std::make_unique<ModelHarness>();
        SIPAccountCollection collection;
        const int accounts = options.value(u"accounts"_s).toInt();
        for (int i = accounts; i >= 1; --i) {
            const bool active = i == 1;
            collection.save(sampleAccount(QString::number(2000 + i)), std::nullopt,
                            active && options.contains(u"nickname"_s)
                                ? std::optional(options.value(u"nickname"_s).toString())
                                : std::nullopt);
        }
        if (accounts > 0)
            m_harness->storeAccounts(collection);
        if (options.contains(u"history"_s))
            m_harness->defaults->setData(VozelModel::historyKey, historyData(options.value(u"history"_s).toList()));
        m_harness->start();
        if (options.contains(u"registration"_s))
            reportRegistration(options.value(u"registration"_s).toString());
        emit modelChanged();
    }

    Q_INVOKABLE void reportRegistration(const QString &kind, const QString &message = {})
    {
        using R = RegistrationState;
        const R state = kind == "connected"_L1 ? R::connected()
                        : kind == "connecting"_L1 ? R::connecting()
                        : kind == "failed"_L1 ? R::failed(message)
                        : kind == "disabled"_L1 ? R::disabled()
                                                : R::notConfigured();
        m_harness->engine->report(state);
    }

    Q_INVOKABLE void reportCall(const QString &kind, const QString &number = {})
    {
        using C = VozelCallState;
        const C state = kind == "incoming"_L1 ? C::incoming(number)
                        : kind == "dialing"_L1 ? C::dialing(number)
                        : kind == "connected"_L1 ? C::connected(number)
                                                 : C::idle();
        m_harness->engine->report(state);
    }

    Q_INVOKABLE void reportTransferReady(bool ready) { m_harness->engine->onAttendedTransferChanged(ready); }
    Q_INVOKABLE void failTransfers(const QString &message) { m_harness->engine->transferFailure = Failure(message); }
    Q_INVOKABLE void failProvisioning(const QString &message) { m_harness->provisioning->failure = Failure(message); }
    Q_INVOKABLE void provide(const QString &extension) { m_harness->provisioning->account = sampleAccount(extension); }
    Q_INVOKABLE void holdOriginLookups() { m_harness->originLookup->gate.held = true; }
    Q_INVOKABLE void failSecretStore() { m_harness->secrets->failureStatus = -25308; }
    Q_INVOKABLE QStringList operations() const { return m_harness->engine->operations; }
    Q_INVOKABLE int storedAccountCount() const { return m_harness->storedAccounts().accounts.size(); }
    Q_INVOKABLE QString storedHistory() const
    {
        return QString::fromUtf8(m_harness->defaults->dataValue(VozelModel::historyKey).value_or(QByteArray()));
    }

    // A USB headset (records and plays), a built-in microphone and built-in speakers.
    Q_INVOKABLE void plugDevices()
    {
        m_harness->engine->devices = {
            {u"usb"_s, u"Vozel Headset"_s, true, true, true},
            {u"mic"_s, u"Microfone interno"_s, true, false, false},
            {u"spk"_s, u"Alto-falantes internos"_s, false, true, false},
        };
        m_harness->engine->onAudioDevicesChanged();
    }

    Q_INVOKABLE QString selectedDevices() const
    {
        QStringList selections;
        for (const auto &[id, route] : m_harness->engine->selections)
            selections << u"%1:%2"_s.arg(static_cast<int>(route)).arg(id);
        return selections.join(u' ');
    }

    Q_INVOKABLE void setClipboard(const QString &text) { QGuiApplication::clipboard()->setText(text); }

    // A click as the desktop delivers it, which never reaches a window a modal one blocks.
    Q_INVOKABLE void clickThroughTheDesktop(QQuickItem *item)
    {
        const QPointF centre(item->width() / 2, item->height() / 2);
        QTest::mouseClick(item->window(), Qt::LeftButton, {}, item->mapToScene(centre).toPoint());
    }

    // What a screen reader's "press" does to a control.
    Q_INVOKABLE void pressAccessibly(QObject *control)
    {
        if (QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control))
            accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }

signals:
    void modelChanged();

private:
    static QByteArray historyData(const QVariantList &rows)
    {
        QList<CallHistoryItem> items;
        const QDateTime base(QDate(2024, 5, 2), QTime(9, 5));
        int minutes = 0;
        for (const QVariant &row : rows) {
            const QVariantMap fields = row.toMap();
            CallHistoryItem item;
            item.id = QUuid::createUuid();
            item.number = fields.value(u"number"_s).toString();
            item.date = {base.addSecs(-60 * minutes++).toSecsSinceEpoch() - double(ReferenceDate::epochOffsetSeconds)};
            const QString direction = fields.value(u"direction"_s, u"outgoing"_s).toString();
            item.direction = direction == "missed"_L1     ? CallHistoryItem::Direction::missed
                             : direction == "incoming"_L1 ? CallHistoryItem::Direction::incoming
                                                          : CallHistoryItem::Direction::outgoing;
            if (fields.contains(u"sourceLabel"_s))
                item.sourceLabel = fields.value(u"sourceLabel"_s).toString();
            items << item;
        }
        return CallHistoryItem::encodeList(items);
    }

    std::unique_ptr<ModelHarness> m_harness;
};

} // namespace vozel::test
