#pragma once

#include "model/VozelModel.h"
#include "system/TransferPresenter.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QtQml/qqml.h>

namespace vozel::ui {

// The transfer of the current call as the dialer runs it: the panel that asks for the
// target, the start of the attended transfer, and when the panel goes. It closes when the
// user cancels, once the transfer has started, and when the call it was opened for ends.
// A start that fails leaves the panel open behind the error alert.
class DialerTransfer : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(vozel::VozelModel *model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(bool showing READ isShowing WRITE setShowing NOTIFY showingChanged)
    Q_PROPERTY(QQuickWindow *panel READ panel NOTIFY showingChanged)

public:
    explicit DialerTransfer(QObject *parent = nullptr);

    VozelModel *model() const { return m_model; }
    void setModel(VozelModel *model);
    bool isShowing() const { return m_showing; }
    // Opens the panel for the current call, or closes it without reporting a cancellation.
    void setShowing(bool showing);
    // The panel, once it has been shown.
    QQuickWindow *panel() const { return m_presenter.panel(); }

signals:
    void modelChanged();
    void showingChanged();

private:
    void start(const QString &target);
    void callStateChanged();

    TransferPresenter m_presenter;
    QPointer<VozelModel> m_model;
    bool m_showing = false;
    // The call the panel was opened for.
    QString m_callNumber;
};

} // namespace vozel::ui
