#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QSslConfiguration>
#include <QSslServer>
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
ScriptedReply answer(int status, const QByteArray &body, const QByteArray &headers = "Content-Type: application/json\r\n");
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
    explicit HttpsTestServer(QList<ScriptedReply> script);

    QUrl url(const QString &pathAndQuery) const;
    // Client settings that trust this server's certificate and nothing else.
    static QSslConfiguration clientConfiguration();

    QList<ScriptedReply> script;
    QList<RecordedRequest> requests;
    QElapsedTimer clock;

private:
    void readFrom(QSslSocket *socket);

    QSslServer m_server;
};

} // namespace vozel::test
