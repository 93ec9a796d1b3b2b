#include "HttpsTestServer.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace vozel::test {

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const char *path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", path);
    return file.readAll();
}

void trickle(QSslSocket *socket, const QByteArray &bytes, std::chrono::milliseconds interval)
{
    if (bytes.isEmpty())
        return;
    socket->write(bytes.left(1));
    QTimer::singleShot(interval, socket, [=] { trickle(socket, bytes.mid(1), interval); });
}

} // namespace

ScriptedReply answer(int status, const QByteArray &body, const QByteArray &headers)
{
    // Clients read the status code only, so every answer carries the same reason phrase.
    return {.bytes = "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n" + headers
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

HttpsTestServer::HttpsTestServer(QList<ScriptedReply> script) : script(std::move(script))
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

QUrl HttpsTestServer::url(const QString &pathAndQuery) const
{
    return QUrl(u"https://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(pathAndQuery));
}

QSslConfiguration HttpsTestServer::clientConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates({QSslCertificate(readFile(VOZEL_TEST_CERTIFICATE))});
    return configuration;
}

void HttpsTestServer::readFrom(QSslSocket *socket)
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

} // namespace vozel::test
