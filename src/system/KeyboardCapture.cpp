#include "system/KeyboardCapture.h"

#include "model/DialString.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace vozel {

KeyboardCapture::KeyboardCapture(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

KeyboardCapture::~KeyboardCapture()
{
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void KeyboardCapture::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged();
}

void KeyboardCapture::setWindow(QWindow *window)
{
    if (m_window == window)
        return;
    m_window = window;
    emit windowChanged();
}

bool KeyboardCapture::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    // Sent before the press to let the focused object keep a key from the shortcuts:
    // claiming the keys handled here keeps keypad shortcuts from taking them first.
    const bool shortcutOverride = event->type() == QEvent::ShortcutOverride;
    if ((!press && !shortcutOverride) || !m_enabled || !isInDialerWindow(watched) || textFieldHasFocus())
        return false;

    const auto action = actionFor(*static_cast<QKeyEvent *>(event));
    if (!action)
        return false;
    event->accept();
    if (press)
        emit triggered(action->kind, action->text);
    return true;
}

std::optional<DialerKeyAction> KeyboardCapture::actionFor(const QKeyEvent &key)
{
    if (key.modifiers().testFlag(Qt::ControlModifier) && key.key() == Qt::Key_V) {
        const QString text = QGuiApplication::clipboard()->text();
        if (!text.isEmpty())
            return DialerKeyAction{DialerKeyAction::Kind::Paste, text};
    }
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return DialerKeyAction{DialerKeyAction::Kind::Delete, {}};
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return DialerKeyAction{DialerKeyAction::Kind::Call, {}};
    default:
        break;
    }
    // The key code names the character whatever the modifiers, like the digit printed on
    // the key; Shift+8 arrives as Key_Asterisk on layouts that put "*" there.
    if (DialString::isKey(char32_t(key.key())))
        return DialerKeyAction{DialerKeyAction::Kind::Digit, QString(QChar(key.key()))};
    return std::nullopt;
}

bool KeyboardCapture::isInDialerWindow(const QObject *receiver) const
{
    // A press reaches its window first; the shortcut check goes to the focused item.
    const auto *item = qobject_cast<const QQuickItem *>(receiver);
    const QObject *window = item ? item->window() : receiver;
    return m_window && window == m_window.data();
}

bool KeyboardCapture::textFieldHasFocus()
{
    QObject *focus = QGuiApplication::focusObject();
    if (!focus)
        return false;
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(focus, &query);
    return query.value(Qt::ImEnabled).toBool();
}

} // namespace vozel
