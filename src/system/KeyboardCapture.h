#pragma once

#include "system/DialerKeyAction.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

class QKeyEvent;

namespace vozel {

// Feeds the dialer from the physical keyboard although it has no text field of its own:
// watches every key press the application receives, turns digits, paste, delete and
// dial into DialerKeyActions and swallows those presses. It steps aside while a text
// field has focus, so fields elsewhere keep working, and while it is disabled.
class KeyboardCapture : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)

public:
    explicit KeyboardCapture(QObject *parent = nullptr);
    ~KeyboardCapture() override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

signals:
    void enabledChanged();
    void triggered(vozel::DialerKeyAction::Kind kind, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static std::optional<DialerKeyAction> actionFor(const QKeyEvent &key);
    static bool textFieldHasFocus();

    bool m_enabled = true;
};

} // namespace vozel
