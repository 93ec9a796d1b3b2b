#pragma once

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace vozel::test {

// A named item of a QML window (items declared in a QML Window are its QObject children).
inline QQuickItem *item(QQuickWindow *window, const char *objectName)
{
    return window->findChild<QQuickItem *>(QLatin1String(objectName));
}

inline QString textOf(QQuickWindow *window, const char *objectName)
{
    return item(window, objectName)->property("text").toString();
}

// A real mouse click in the middle of the named item, once laid out.
inline void click(QQuickWindow *window, const char *objectName)
{
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QQuickItem *target = item(window, objectName);
    QTRY_VERIFY(target->width() > 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, target->mapToScene(target->boundingRect().center()).toPoint());
}

} // namespace vozel::test
