#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <functional>

namespace vozel {

// Keeps the application running when the dialer window is closed: a softphone that quits
// misses calls. A close hides the window while the tray can bring it back, and minimises
// it where the desktop has no tray. QCoreApplication::quit() is not held up by it.
class DialerWindowKeeper : public QObject {
    Q_OBJECT

public:
    using TrayAvailable = std::function<bool()>;

    explicit DialerWindowKeeper(QWindow &dialer, QObject *parent = nullptr);
    DialerWindowKeeper(QWindow &dialer, TrayAvailable trayAvailable, QObject *parent = nullptr);

    // Shows the dialer again, in front and with the keyboard.
    void present();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWindow> m_dialer;
    TrayAvailable m_trayAvailable;
};

} // namespace vozel
