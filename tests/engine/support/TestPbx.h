#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace vozel::test {

using namespace Qt::StringLiterals;

// The Kamailio PBX of pbx/run-pbx.sh on free loopback ports while this object lives: it registers
// extensions with digest authentication, connects their calls, answers STUN on its port and takes
// TLS on another with a certificate of its test CA. Stopped with its workers, or when we die.
class TestPbx {
public:
    // Extensions as "extension:password" or "extension:password:auth user". A port taken by
    // someone else meanwhile makes it try again on another.
    explicit TestPbx(const QStringList &extensions)
    {
        for (int attempt = 0; attempt < 3 && !launch(extensions); ++attempt)
            m_process.kill();
        if (!isRunning())
            qWarning("The test PBX did not start:\n%s", qPrintable(log()));
    }

    ~TestPbx()
    {
        // A stopped Kamailio cannot handle SIGTERM; a killed one leaves its workers behind.
        signalAll(SIGCONT);
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            signalAll(SIGKILL);
            m_process.waitForFinished(2000);
        }
    }
    TestPbx(const TestPbx &) = delete;
    TestPbx &operator=(const TestPbx &) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    // The test CA's certificate (PEM).
    QString testCa() const { return m_work.filePath(u"run-%1/ca.pem"_s.arg(m_port)); }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString stunServer() const { return host() + u':' + QString::number(m_port); }
    // Freezes Kamailio and its workers, as a registrar that stopped answering, or lets them go on.
    void setAnswering(bool answering) { signalAll(answering ? SIGCONT : SIGSTOP); }
    // What Kamailio wrote so far: its log and a line per request it received.
    QString log() { return m_log += QString::fromLocal8Bit(m_process.readAll()); }

    // A loopback port that nothing listens on right now, for UDP and TCP.
    static quint16 freePort()
    {
        for (;;) {
            QUdpSocket udp;
            QTcpServer tcp;
            if (udp.bind(QHostAddress::LocalHost, 0) && tcp.listen(QHostAddress::LocalHost, udp.localPort()))
                return udp.localPort();
        }
    }

private:
    // Kamailio and its workers: the process group it was started in.
    void signalAll(int signal)
    {
        if (m_process.processId() > 0)
            ::kill(-pid_t(m_process.processId()), signal);
    }

    bool launch(const QStringList &extensions)
    {
        m_process.waitForFinished(2000);
        m_port = freePort();
        m_tlsPort = freePort();
        const QString work = m_work.filePath(u"run-%1"_s.arg(m_port));
        QDir().mkpath(work + u"/runtime"_s);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PBX_TLS_PORT"_s, QString::number(m_tlsPort));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        m_process.start(QStringLiteral(VOZEL_TEST_PBX_SCRIPT), QStringList{work, QString::number(m_port)} + extensions);
        // Its configuration logs "pbx ready" once it listens; on a taken port it exits instead.
        const QDeadlineTimer deadline(10000);
        while (m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            if (log().contains(u"pbx ready"_s))
                return true;
        }
        return false;
    }

    QTemporaryDir m_work;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    QString m_log;
};

} // namespace vozel::test
