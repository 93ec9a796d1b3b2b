#pragma once

#include "DemoPlan.h"

#include <QByteArray>
#include <QString>

namespace vozel::demo {

struct HttpAnswer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    // One line for the demo's console: what the request was and what it got.
    QString note;
};

// What the demo's operator server answers, request by request: provisioning links (the current
// JSON form and, for the old link, the legacy XML form) and the caller-origin lookup.
class DemoAnswers {
public:
    // `sipPort` is where the demo's registrar listens on 127.0.0.1.
    DemoAnswers(DemoPlan plan, quint16 sipPort);

    // `target` is the request's path and query as sent.
    HttpAnswer answer(const QByteArray &method, const QByteArray &target, const QByteArray &body) const;

private:
    HttpAnswer provisioning(const QString &path, const QString &token) const;
    HttpAnswer origin(const QByteArray &body) const;

    DemoPlan m_plan;
    quint16 m_sipPort;
};

} // namespace vozel::demo
