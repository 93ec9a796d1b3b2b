#pragma once

#include "DemoAnswers.h"

#include <QObject>
#include <QSslServer>

#include <functional>

class QSslSocket;

namespace vozel::demo {

// The demo's operator server: HTTPS on 127.0.0.1 with the demo's own certificate, one request
// per connection, answered by DemoAnswers. Requests that are too large or too slow are dropped.
class DemoHttpsServer : public QObject {
    Q_OBJECT

public:
    // `certificateChain` is the server's certificate followed by its authority, in PEM.
    DemoHttpsServer(DemoAnswers answers, const QString &certificateChain, const QString &privateKey,
                    QObject *parent = nullptr);

    // False (with the reason in errorString()) when the certificate or the port is unusable.
    bool listen(quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_error; }

    // Called with the note of every answer.
    std::function<void(const QString &)> onNote;

private:
    void accept();
    void readFrom(QSslSocket *socket);
    void reply(QSslSocket *socket, const HttpAnswer &answer);

    DemoAnswers m_answers;
    QSslServer m_server;
    QString m_error;
};

} // namespace vozel::demo
