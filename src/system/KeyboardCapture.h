#pragma once

#include "system/DialerKeyAction.h"

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

#include <optional>

class QKeyEvent;

namespace vozel {

// Feeds the dialer from the physical keyboard although it has no text field of its own:
// watches the key presses delivered to the dialer's window, turns digits, paste, delete
// and dial into DialerKeyActions and swallows those presses. Keys typed into any other
// window (an alert, a panel, a sheet) are left alone, so Return there never hangs up. It
// also steps aside while a text field has focus, and while it is disabled.
class KeyboardCapture : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(QWindow *window READ window WRITE setWindow NOTIFY windowChanged)

public:
    explicit KeyboardCapture(QObject *parent = nullptr);
    ~KeyboardCapture() override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // The dialer's window; until it is set, no key is taken.
    QWindow *window() const { return m_window; }
    void setWindow(QWindow *window);

signals:
    void enabledChanged();
    void windowChanged();
    void triggered(vozel::DialerKeyAction::Kind kind, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static std::optional<DialerKeyAction> actionFor(const QKeyEvent &key);
    static bool textFieldHasFocus();
    bool isInDialerWindow(const QObject *receiver) const;

    bool m_enabled = true;
    QPointer<QWindow> m_window;
};

} // namespace vozel
