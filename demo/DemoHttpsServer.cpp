#include "DemoHttpsServer.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace vozel::demo {

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype requestLimit = 64 * 1024;
constexpr int connectionTimeLimitMs = 10000;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK"_ba;
    case 400: return "Bad Request"_ba;
    case 403: return "Forbidden"_ba;
    case 404: return "Not Found"_ba;
    case 413: return "Content Too Large"_ba;
    default: return "Error"_ba;
    }
}

} // namespace

DemoHttpsServer::DemoHttpsServer(DemoAnswers answers, const QString &certificateChain, const QString &privateKey,
                                 QObject *parent)
    : QObject(parent), m_answers(std::move(answers))
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateChain);
    QFile keyFile(privateKey);
    const QSslKey key = keyFile.open(QIODevice::ReadOnly) ? QSslKey(&keyFile, QSsl::Ec) : QSslKey();
    if (chain.isEmpty() || key.isNull()) {
        m_error = u"certificado ou chave do servidor ilegível (%1, %2)"_s.arg(certificateChain, privateKey);
        return;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(tls);
    m_server.setHandshakeTimeout(connectionTimeLimitMs);
    connect(&m_server, &QSslServer::pendingConnectionAvailable, this, &DemoHttpsServer::accept);
}

bool DemoHttpsServer::listen(quint16 port)
{
    if (!m_error.isEmpty())
        return false;
    if (!m_server.listen(QHostAddress::LocalHost, port)) {
        m_error = m_server.errorString();
        return false;
    }
    return true;
}

void DemoHttpsServer::accept()
{
    while (m_server.hasPendingConnections()) {
        auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection());
        socket->setParent(this);
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A client that never finishes its request does not keep the connection forever.
        QTimer::singleShot(connectionTimeLimitMs, socket, [socket] { socket->abort(); });
        readFrom(socket);
    }
}

void DemoHttpsServer::readFrom(QSslSocket *socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    if (buffer.size() > requestLimit) {
        reply(socket, {413, "application/json"_ba, R"({"error":"Pedido grande demais."})"_ba,
                       u"pedido grande demais recusado"_s});
        return;
    }
    socket->setProperty("request", buffer);
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    qsizetype contentLength = 0;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            contentLength = line.mid(colon + 1).trimmed().toLongLong();
    }
    if (contentLength < 0 || contentLength > requestLimit) {
        reply(socket, {400, "application/json"_ba, R"({"error":"Pedido inválido."})"_ba, u"pedido inválido"_s});
        return;
    }
    if (buffer.size() < headerEnd + 4 + contentLength)
        return;
    socket->setProperty("request", QByteArray());
    reply(socket, m_answers.answer(requestLine.value(0), requestLine.value(1),
                                   buffer.mid(headerEnd + 4, contentLength)));
}

void DemoHttpsServer::reply(QSslSocket *socket, const HttpAnswer &answer)
{
    socket->disconnect(this);
    QByteArray response = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status)
        + "\r\nContent-Type: " + answer.contentType + "\r\nContent-Length: " + QByteArray::number(answer.body.size())
        + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + answer.body;
    socket->write(response);
    socket->disconnectFromHost();
    if (onNote)
        onNote(answer.note);
}

} // namespace vozel::demo
