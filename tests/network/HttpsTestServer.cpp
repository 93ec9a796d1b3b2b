#include "HttpsTestServer.h"

#include <QFile>
#include <QSslCertificate>
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

QSslCertificate certificate()
{
    return QSslCertificate(readFile(VOZEL_TEST_CERTIFICATE), QSsl::Pem);
}

} // namespace

ScriptedReply ScriptedReply::json(int status, const QByteArray &body)
{
    return text(status, body, "application/json");
}

ScriptedReply ScriptedReply::text(int status, const QByteArray &body, const QByteArray &contentType)
{
    ScriptedReply reply;
    reply.status = status;
    reply.body = body;
    reply.headers = {{"Content-Type", contentType}};
    return reply;
}

ScriptedReply ScriptedReply::redirect(int status, const QUrl &location)
{
    ScriptedReply reply;
    reply.status = status;
    reply.headers = {{"Location", location.toEncoded()}};
    return reply;
}

ScriptedReply ScriptedReply::silence()
{
    ScriptedReply reply;
    reply.silent = true;
    return reply;
}

ScriptedReply ScriptedReply::rawBytes(const QByteArray &bytes, const QByteArray &trickledBody,
                                      std::chrono::milliseconds trickle)
{
    ScriptedReply reply;
    reply.body = trickledBody;
    reply.raw = bytes;
    reply.trickle = trickle;
    return reply;
}

ScriptedReply ScriptedReply::withHeader(const QByteArray &name, const QByteArray &value) const
{
    ScriptedReply reply = *this;
    reply.headers.append({name, value});
    return reply;
}

bool RecordedRequest::hasHeader(const QByteArray &name) const
{
    const QByteArray key = name.toLower();
    return std::any_of(headers.begin(), headers.end(), [&](const auto &header) { return header.first == key; });
}

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key == name.toLower())
            return value;
    }
    return {};
}

HttpsTestServer::HttpsTestServer(QList<ScriptedReply> script, QObject *parent)
    : QObject(parent), m_script(std::move(script))
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate());
    configuration.setPrivateKey(QSslKey(readFile(VOZEL_TEST_PRIVATE_KEY), QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(configuration);
    connect(&m_server, &QSslServer::pendingConnectionAvailable, this, &HttpsTestServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("the test server cannot listen");
    m_clock.start();
}

HttpsTestServer::~HttpsTestServer() = default;

void HttpsTestServer::setScript(QList<ScriptedReply> script)
{
    m_script = std::move(script);
}

QUrl HttpsTestServer::url(const QString &pathAndQuery) const
{
    return QUrl(u"https://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(pathAndQuery));
}

QSslConfiguration HttpsTestServer::clientConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates({certificate()});
    return configuration;
}

void HttpsTestServer::accept()
{
    while (m_server.hasPendingConnections()) {
        auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection());
        socket->setParent(this);
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void HttpsTestServer::readFrom(QSslSocket *socket)
{
    // Requests are read whole before they are answered; the buffer lives on the socket.
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const auto headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto colon = lines[i].indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name == "content-length")
            contentLength = value.toLongLong();
    }
    if (buffer.size() < headerEnd + 4 + contentLength)
        return;
    request.body = buffer.mid(headerEnd + 4, contentLength);
    request.receivedAtMs = m_clock.elapsed();
    socket->setProperty("buffer", buffer.mid(headerEnd + 4 + contentLength));

    const ScriptedReply reply = m_script.isEmpty()
        ? ScriptedReply::json(500, R"({"error":"sem roteiro"})")
        : m_script.value(m_requests.size(), m_script.last());
    m_requests.append(request);
    if (!reply.silent)
        answer(socket, reply);
}

void HttpsTestServer::answer(QSslSocket *socket, const ScriptedReply &reply)
{
    if (!reply.raw.isEmpty()) {
        socket->write(reply.raw);
        if (reply.trickle.count() > 0)
            trickle(socket, reply.body, reply.trickle);
        return;
    }
    // Clients read the status code only, so every answer carries the same reason phrase.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    for (const auto &[name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head + reply.body);
    socket->disconnectFromHost();
}

void HttpsTestServer::trickle(QSslSocket *socket, const QByteArray &bytes, std::chrono::milliseconds interval)
{
    if (bytes.isEmpty())
        return;
    socket->write(bytes.left(1));
    QTimer::singleShot(interval, socket, [this, socket, bytes, interval] { trickle(socket, bytes.mid(1), interval); });
}

} // namespace vozel::test
