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

namespace vozel::test {

// What the server writes for one request. An open-ended reply keeps the connection open and then
// sends `trickled` one byte every 50 ms; writing nothing at all is silence.
struct ScriptedReply {
    QByteArray bytes{};
    bool openEnded = false;
    QByteArray trickled{};
};

// A complete answer that closes the connection; `headers` are whole lines.
inline ScriptedReply answer(int status, const QByteArray &body, const QByteArray &headers = "Content-Type: application/json\r\n")
{
    return {.bytes = "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n" + headers
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

inline ScriptedReply silence() { return {.openEnded = true}; }

struct RecordedRequest {
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
        QFile key(QStringLiteral(VOZEL_TEST_PRIVATE_KEY));
        if (!key.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", VOZEL_TEST_PRIVATE_KEY);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate::fromPath(QStringLiteral(VOZEL_TEST_CERTIFICATE)).value(0));
        configuration.setPrivateKey(QSslKey(&key, QSsl::Ec));
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
        configuration.setCaCertificates(QSslCertificate::fromPath(QStringLiteral(VOZEL_TEST_CERTIFICATE)));
        return configuration;
    }

    QList<ScriptedReply> script;
    QList<RecordedRequest> requests;
    QElapsedTimer clock;

private:
    static void trickle(QSslSocket *socket, const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return;
        socket->write(bytes.left(1));
        QTimer::singleShot(50, socket, [=] { trickle(socket, bytes.mid(1)); });
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
        request.target = lines.value(0).split(' ').value(1);
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
        trickle(socket, reply.trickled);
        if (!reply.openEnded)
            socket->disconnectFromHost();
    }

    QSslServer m_server;
};

} // namespace vozel::test
