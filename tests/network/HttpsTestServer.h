#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <chrono>

namespace vozel::test {

// What the server writes for one request. An open-ended reply keeps the connection open and then
// sends `trickled` one byte at a time, `interval` apart; writing nothing at all is silence.
struct ScriptedReply {
    QByteArray bytes{};
    bool openEnded = false;
    QByteArray trickled{};
    std::chrono::milliseconds interval{0};
};

// A complete answer that closes the connection; `headers` are whole lines.
inline ScriptedReply answer(int status, const QByteArray &body, const QByteArray &headers = "Content-Type: application/json\r\n")
{
    // Clients read the status code only, so every answer carries the same reason phrase.
    return {.bytes = "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n" + headers
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

inline ScriptedReply silence() { return {.openEnded = true}; }

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // path and query exactly as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    qint64 receivedAtMs = 0; // since the server started
};

// An HTTPS server on 127.0.0.1 with a certificate made for the tests. It answers requests with
// the scripted replies in order (the last one repeats) and records every request it receives.
class HttpsTestServer {
public:
    explicit HttpsTestServer(QList<ScriptedReply> script) : script(std::move(script))
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(readFile(VOZEL_TEST_CERTIFICATE)));
        configuration.setPrivateKey(QSslKey(readFile(VOZEL_TEST_PRIVATE_KEY), QSsl::Ec));
        m_server.setSslConfiguration(configuration);
        QObject::connect(&m_server, &QSslServer::pendingConnectionAvailable, &m_server, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
                QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QSslSocket::readyRead, &m_server, [this, socket] { readFrom(socket); });
                readFrom(socket);
            }
        });
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("the test server cannot listen");
        clock.start();
    }

    QUrl url(const QString &pathAndQuery) const
    {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(pathAndQuery));
    }

    // Client settings that trust this server's certificate and nothing else.
    static QSslConfiguration clientConfiguration()
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates({QSslCertificate(readFile(VOZEL_TEST_CERTIFICATE))});
        return configuration;
    }

    QList<ScriptedReply> script;
    QList<RecordedRequest> requests;
    QElapsedTimer clock;

private:
    static QByteArray readFile(const char *path)
    {
        QFile file(QString::fromLocal8Bit(path));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", path);
        return file.readAll();
    }

    static void trickle(QSslSocket *socket, const QByteArray &bytes, std::chrono::milliseconds interval)
    {
        if (bytes.isEmpty())
            return;
        socket->write(bytes.left(1));
        QTimer::singleShot(interval, socket, [=] { trickle(socket, bytes.mid(1), interval); });
    }

    void readFrom(QSslSocket *socket)
    {
        // Requests are read whole before they are answered; the buffer lives on the socket.
        const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        socket->setProperty("buffer", buffer);
        const auto headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        RecordedRequest request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (const QByteArray &line : lines.mid(1)) {
            const auto colon = line.indexOf(':');
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype end = headerEnd + 4 + request.headers.value("content-length").toLongLong();
        if (buffer.size() < end)
            return;
        request.body = buffer.mid(headerEnd + 4, end - headerEnd - 4);
        request.receivedAtMs = clock.elapsed();
        socket->setProperty("buffer", buffer.mid(end));

        const ScriptedReply reply = script.value(requests.size(), script.last());
        requests.append(request);
        socket->write(reply.bytes);
        trickle(socket, reply.trickled, reply.interval);
        if (!reply.openEnded)
            socket->disconnectFromHost();
    }

    QSslServer m_server;
};

} // namespace vozel::test
