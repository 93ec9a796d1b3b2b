#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace linphone {
class Call;
class Core;
}

namespace vozel::demo {

struct PeerSettings {
    QString extension;
    QString password;
    QString displayName;
    QString registrar; // "host:port", UDP
    int answerAfterMs = 1000;
};

// A colleague's phone on the demo PBX: a liblinphone core registered as one extension that
// answers every call after a short ring, reports what happens (digits received, holds,
// transfers) and calls out on request. It plays and records no sound: media go to files.
class DemoPeer : public QObject {
    Q_OBJECT

public:
    // `say` receives one line per event, in Portuguese.
    DemoPeer(PeerSettings settings, std::function<void(const QString &)> say, QObject *parent = nullptr);
    ~DemoPeer() override;

    void dial(const QString &number);
    void hangUp();

private:
    class Listener;
    friend class Listener;

    void onCallState(const std::shared_ptr<linphone::Call> &call, int state, const std::string &message);

    PeerSettings m_settings;
    std::function<void(const QString &)> m_say;
    QTemporaryDir m_folder;
    std::shared_ptr<linphone::Core> m_core;
    std::shared_ptr<Listener> m_listener;
    QTimer m_iterate;
};

} // namespace vozel::demo
