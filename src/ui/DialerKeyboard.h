#pragma once

#include "model/VozelModel.h"
#include "system/KeyboardCapture.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

namespace vozel::ui {

// Feeds the dialer's model from the physical keyboard while enabled: digits, paste,
// delete and the call key.
class DialerKeyboard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(vozel::VozelModel *model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(QWindow *window READ window WRITE setWindow NOTIFY windowChanged)

public:
    explicit DialerKeyboard(QObject *parent = nullptr);

    VozelModel *model() const { return m_model; }
    void setModel(VozelModel *model);
    bool isEnabled() const { return m_capture.isEnabled(); }
    void setEnabled(bool enabled) { m_capture.setEnabled(enabled); }
    QWindow *window() const { return m_capture.window(); }
    void setWindow(QWindow *window) { m_capture.setWindow(window); }

    // What one key action does to the number or the call.
    static void perform(VozelModel &model, DialerKeyAction::Kind kind, const QString &text);

signals:
    void modelChanged();
    void enabledChanged();
    void windowChanged();

private:
    KeyboardCapture m_capture;
    QPointer<VozelModel> m_model;
};

} // namespace vozel::ui
