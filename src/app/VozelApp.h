#pragma once

#include "model/VozelModel.h"
#include "system/DesktopCallManager.h"
#include "system/DialerWindowKeeper.h"
#include "system/SingleInstance.h"
#include "system/TrayIcon.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QTranslator>

#include <memory>

namespace vozel {

// The application entry: one model over a new SIP engine, the dialer window, and what keeps
// the phone reachable on a desktop (tray, single instance, incoming-call alerts).
class VozelApp {
public:
    explicit VozelApp(QApplication &app);

    // Runs until the user quits; returns the exit status.
    int exec();

private:
    bool showDialer();
    void takeArguments(const QStringList &arguments);

    QApplication &m_app;
    QTranslator m_qtTranslator;
    SingleInstance m_instance;
    DesktopCallManager *m_alerts = nullptr; // owned by the model
    std::unique_ptr<VozelModel> m_model;
    // Declared after the model so its windows close before the model goes.
    std::unique_ptr<QQmlApplicationEngine> m_qml;
    std::unique_ptr<DialerWindowKeeper> m_keeper;
    std::unique_ptr<TrayIcon> m_tray;
};

} // namespace vozel
