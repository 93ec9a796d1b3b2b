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
    // The certificate of its TLS port, if it has one.
    enum class Tls { none, signedByTestCa, selfSigned };

    // Extensions as "extension:password" or "extension:password:auth user".
    explicit TestPbx(QStringList extensions, Tls tls = Tls::none);
    ~TestPbx();
    TestPbx(const TestPbx &) = delete;
    TestPbx &operator=(const TestPbx &) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    // The test CA's certificate (PEM), made when the PBX started with TLS.
    QString testCa() const { return m_workFolder + QStringLiteral("/ca.pem"); }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString stunServer() const { return host() + u':' + QString::number(m_port); }
    // Freezes Kamailio and its workers (SIGSTOP), as a registrar that stopped answering, or
    // lets them go on.
    void setAnswering(bool answering);
    // What Kamailio wrote so far: its log and a line per request it received.
    QString log();

    // A loopback port that nothing listens on right now, for UDP and TCP.
    static quint16 freePort();

private:
    // The PBX's main process and its workers.
    void signalAll(int signal);
    bool launch(const QStringList &extensions, Tls tls);
    bool answersStun() const;

    QTemporaryDir m_work;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    QString m_workFolder;
    QString m_log;
};

} // namespace vozel::test
