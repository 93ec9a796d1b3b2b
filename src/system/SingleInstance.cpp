#include "system/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

constexpr qint64 maximumMessageBytes = 64 * 1024;
constexpr int serveTimeoutMs = 3000;
const QByteArray acknowledgement = "ok\n"_ba;

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QByteArray encode(const QStringList &arguments)
{
    return QJsonDocument(QJsonObject{{u"arguments"_s, QJsonArray::fromStringList(arguments)}})
               .toJson(QJsonDocument::Compact)
        + '\n';
}

// The arguments of one hand-over message; nullopt when it is not one.
std::optional<QStringList> decode(const QByteArray &line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const QJsonValue arguments = document.object().value(u"arguments"_s);
    if (!arguments.isArray())
        return std::nullopt;
    QStringList result;
    for (const QJsonValue &argument : arguments.toArray()) {
        if (!argument.isString())
            return std::nullopt;
        result << argument.toString();
    }
    return result;
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent),
      m_socketPath(runtimeFolder() + u'/' + name + u".socket"_s),
      m_lock(runtimeFolder() + u'/' + name + u".lock"_s)
{
    // The lock lives as long as the instance; only a dead owner makes it stale.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
}

bool SingleInstance::claim()
{
    if (!m_lock.tryLock(0)) {
        // Only a lock held by a live instance means there is one to hand over to; a
        // runtime folder that cannot hold the lock must not keep Vozel from starting.
        return m_lock.error() != QLockFile::LockFailedError;
    }
    // Holding the lock, any socket file is a crashed instance's.
    QLocalServer::removeServer(m_socketPath);
    m_server.listen(m_socketPath);
    return true;
}

bool SingleInstance::handOver(const QStringList &arguments, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = encode(arguments);
    // The running instance may still be starting and not listen yet.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (!socket.waitForConnected(int(deadline.remainingTime()))) {
            QThread::msleep(50);
            continue;
        }
        socket.write(message);
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
        QByteArray answer;
        while (!answer.endsWith('\n') && socket.waitForReadyRead(int(deadline.remainingTime())))
            answer += socket.readAll();
        return answer == acknowledgement;
    }
    return false;
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        const auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its message is dropped.
        QTimer::singleShot(serveTimeoutMs, socket, drop);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, drop] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maximumMessageBytes)
                    drop();
                return;
            }
            const auto arguments = decode(socket->readLine(maximumMessageBytes));
            if (!arguments) {
                drop();
                return;
            }
            socket->write(acknowledgement);
            socket->disconnectFromServer();
            emit activationRequested(*arguments);
        });
    }
}

} // namespace vozel
