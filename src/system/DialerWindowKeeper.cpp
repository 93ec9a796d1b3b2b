#include "system/DialerWindowKeeper.h"

#include "system/WindowPresentation.h"

#include <QEvent>
#include <QSystemTrayIcon>

namespace vozel {

DialerWindowKeeper::DialerWindowKeeper(QWindow &dialer, QObject *parent)
    : DialerWindowKeeper(dialer, &QSystemTrayIcon::isSystemTrayAvailable, parent)
{
}

DialerWindowKeeper::DialerWindowKeeper(QWindow &dialer, TrayAvailable trayAvailable, QObject *parent)
    : QObject(parent), m_dialer(&dialer), m_trayAvailable(std::move(trayAvailable))
{
    dialer.installEventFilter(this);
}

void DialerWindowKeeper::present()
{
    if (m_dialer)
        bringToFront(*m_dialer);
}

bool DialerWindowKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_dialer || event->type() != QEvent::Close)
        return false;
    event->ignore();
    if (m_trayAvailable())
        m_dialer->hide();
    else
        m_dialer->showMinimized();
    return true;
}

} // namespace vozel
