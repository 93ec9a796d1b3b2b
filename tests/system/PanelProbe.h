#pragma once

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace vozel::test {

// Finds a named item of a QML window; fails the test when there is none.
inline QQuickItem *item(QQuickWindow *window, const char *objectName)
{
    // Items declared in a QML Window are the window's QObject children.
    auto *found = window ? window->findChild<QQuickItem *>(QLatin1String(objectName)) : nullptr;
    if (!found)
        qWarning("no item named %s", objectName);
    return found;
}

inline QString textOf(QQuickWindow *window, const char *objectName)
{
    QQuickItem *found = item(window, objectName);
    return found ? found->property("text").toString() : QString();
}

// The texts of the named items, in the order given.
inline QStringList textsOf(QQuickWindow *window, std::initializer_list<const char *> objectNames)
{
    QStringList texts;
    for (const char *name : objectNames)
        texts << textOf(window, name);
    return texts;
}

// A real mouse click in the middle of the named item.
inline void click(QQuickWindow *window, const char *objectName)
{
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QQuickItem *target = item(window, objectName);
    QVERIFY(target);
    QTRY_VERIFY(target->width() > 0); // laid out
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
}

} // namespace vozel::test
