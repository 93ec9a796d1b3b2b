#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace vozel {

// The icon in the desktop's tray that keeps Vozel reachable while its window is hidden:
// a click or "Abrir Vozel" asks for the dialer, "Sair" asks to quit. Needs a QApplication.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject *parent = nullptr);

    QMenu &menu() { return m_menu; }

signals:
    void openRequested();
    void quitRequested();

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    QMenu m_menu;
    QSystemTrayIcon m_icon;
};

} // namespace vozel
