#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace vozel::test {

// The Kamailio PBX of pbx/run-pbx.sh on a free loopback port, for as long as this object lives.
// It registers the given extensions with digest authentication, connects their calls and
// answers STUN on the same port. It is stopped by its pid, and also when the test process dies.
class TestPbx {
public:
    // Extensions as "extension:password".
    explicit TestPbx(QStringList extensions);
    ~TestPbx();
    TestPbx(const TestPbx &) = delete;
    TestPbx &operator=(const TestPbx &) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    quint16 port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString stunServer() const { return host() + u':' + QString::number(m_port); }
    // What Kamailio wrote so far, for failure messages.
    QString log();

    // A loopback port that nothing listens on right now, for UDP and TCP.
    static quint16 freePort();

private:
    bool launch(const QStringList &extensions);
    bool answersStun() const;

    QTemporaryDir m_work;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_log;
};

} // namespace vozel::test
