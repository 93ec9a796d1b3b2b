#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QSslServer>
#include <QUrl>

#include <chrono>
#include <utility>

class QSslSocket;

namespace vozel::test {

// What the server does with one request.
struct ScriptedReply {
    int status = 200;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    // Never answer and keep the connection open.
    bool silent = false;
    // Written as it is instead of a status line, headers and body; the connection then stays
    // open and, when trickle is set, the body follows one byte at a time this far apart.
    QByteArray raw;
    std::chrono::milliseconds trickle{0};

    static ScriptedReply json(int status, const QByteArray &body);
    static ScriptedReply text(int status, const QByteArray &body, const QByteArray &contentType = "text/html");
    static ScriptedReply redirect(int status, const QUrl &location);
    static ScriptedReply silence();
    static ScriptedReply rawBytes(const QByteArray &bytes, const QByteArray &trickledBody = {},
                                  std::chrono::milliseconds trickle = {});
    ScriptedReply withHeader(const QByteArray &name, const QByteArray &value) const;
};

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // path and query exactly as sent
    QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;
    qint64 receivedAtMs = 0; // since the server started

    bool hasHeader(const QByteArray &name) const;
    QByteArray header(const QByteArray &name) const;
};

// An HTTPS server on 127.0.0.1 with a certificate made for the tests. It answers requests with
// the scripted replies in order (the last one repeats) and records every request it receives.
class HttpsTestServer : public QObject {
    Q_OBJECT

public:
    explicit HttpsTestServer(QList<ScriptedReply> script = {}, QObject *parent = nullptr);
    ~HttpsTestServer() override;

    void setScript(QList<ScriptedReply> script);
    QUrl url(const QString &pathAndQuery) const;
    const QList<RecordedRequest> &requests() const { return m_requests; }
    // Client settings that trust this server's certificate and nothing else.
    static QSslConfiguration clientConfiguration();
    qint64 elapsedMs() const { return m_clock.elapsed(); }

private:
    void accept();
    void readFrom(QSslSocket *socket);
    void answer(QSslSocket *socket, const ScriptedReply &reply);
    void trickle(QSslSocket *socket, const QByteArray &bytes, std::chrono::milliseconds interval);

    QSslServer m_server;
    QList<ScriptedReply> m_script;
    QList<RecordedRequest> m_requests;
    QElapsedTimer m_clock;
};

} // namespace vozel::test
