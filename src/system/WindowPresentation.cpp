#include "system/WindowPresentation.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

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
