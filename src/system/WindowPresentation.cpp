#include "system/WindowPresentation.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

// Asks an X11 window manager to show the window on every workspace (EWMH: a sticky window
// on all desktops). Set while the window is withdrawn, as the manager reads it when the
// window is mapped; Qt keeps the states it finds there.
void stickToEveryWorkspace(QWindow &window)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || QGuiApplication::platformName() != "xcb"_L1 || window.isVisible())
        return;
    const auto atom = [connection](const char *name) {
        const auto cookie = xcb_intern_atom(connection, false, std::strlen(name), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t sticky = atom("_NET_WM_STATE_STICKY");
    const quint32 allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 1, &sticky);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    xcb_flush(connection);
}

void showUnminimised(QWindow &window)
{
    if (window.windowStates().testFlag(Qt::WindowMinimized))
        window.showNormal();
    else
        window.show();
}

} // namespace

void bringToFront(QWindow &window)
{
    showUnminimised(window);
    window.raise();
    window.requestActivate();
}

void bringToFrontWithAttention(QWindow &window)
{
    showUnminimised(window);
    window.alert(0);
    window.raise();
    window.requestActivate();
}

void centreOnScreen(QWindow &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    QRect frame(QPoint(), window.size());
    frame.moveCenter(screen->availableGeometry().center());
    window.setPosition(frame.topLeft());
}

void presentPanel(QWindow &panel)
{
    // Placed first: the platform window made for the hints then starts where it belongs.
    centreOnScreen(panel);
    stickToEveryWorkspace(panel);
    bringToFront(panel);
}

QQuickWindow *createPanel(QQmlEngine &engine, const QString &fileName)
{
    QQmlComponent component(&engine, QUrl(u"qrc:/Vozel/System/"_s + fileName));
    QObject *object = component.create();
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        qWarning().noquote() << component.errorString();
        delete object;
        return nullptr;
    }
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    return window;
}

} // namespace vozel
