#include "system/TrayIcon.h"

#include <QFontDatabase>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

// A green disc with a white handset from the Material Icons font, or the plain disc
// where that font is missing. The desktop's theme wins when it has an icon named vozel.
QIcon trayIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 133, 59));
    painter.drawEllipse(pixmap.rect().adjusted(2, 2, -2, -2));
    if (QFontDatabase::families().contains(u"Material Icons"_s)) {
        QFont font(u"Material Icons"_s);
        font.setPixelSize(40);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QString(QChar(0xe0b0))); // "call"
    }
    painter.end();
    return QIcon::fromTheme(u"br.com.vozel.Vozel"_s, QIcon(pixmap));
}

} // namespace

TrayIcon::TrayIcon(QObject *parent) : QObject(parent)
{
    connect(m_menu.addAction(u"Abrir Vozel"_s), &QAction::triggered, this, &TrayIcon::openRequested);
    m_menu.addSeparator();
    connect(m_menu.addAction(u"Sair"_s), &QAction::triggered, this, &TrayIcon::quitRequested);

    m_icon.setIcon(trayIcon());
    m_icon.setToolTip(u"Vozel"_s);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    m_icon.show();
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        emit openRequested();
}

} // namespace vozel
