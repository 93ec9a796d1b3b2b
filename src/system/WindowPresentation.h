#pragma once

class QQmlEngine;
class QQuickWindow;
class QString;
class QWindow;

namespace vozel {

// Shows a window if hidden or minimised, puts it in front and gives it the keyboard,
// also while another application is active.
void bringToFront(QWindow &window);

// As bringToFront, after asking the desktop to flag the window until the user looks at it.
void bringToFrontWithAttention(QWindow &window);

// Places the window in the middle of the usable area of its screen.
void centreOnScreen(QWindow &window);

// Shows a hidden floating panel in the middle of the screen, on every workspace, in front
// and with the keyboard.
void presentPanel(QWindow &panel);

// Makes one of this module's floating panels from its QML file, hidden; null when the file
// cannot be loaded (the errors are printed, as for any QML error).
QQuickWindow *createPanel(QQmlEngine &engine, const QString &fileName);

} // namespace vozel
