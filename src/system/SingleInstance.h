#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

namespace vozel {

// One Vozel per user, so that two SIP stacks never fight over one extension. The first
// launch claims a lock in the user's runtime folder and listens on a local socket there;
// a later launch hands its arguments (for example a tel: link) to it and exits. A lock or
// socket left behind by a crashed instance is taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString &name = QStringLiteral("vozel"), QObject *parent = nullptr);

    // True when this process is now the running instance and listens for later launches.
    bool claim();

    // Asks the running instance to show itself and take the arguments. False when it did
    // not answer within the time given (it may be hung): then nothing was handed over.
    bool handOver(const QStringList &arguments, int timeoutMs = 5000) const;

signals:
    void activationRequested(const QStringList &arguments);

private:
    void serveConnection();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};

} // namespace vozel
