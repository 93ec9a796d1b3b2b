#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <csignal>
#include <sys/prctl.h>

namespace vozel::test {

using namespace Qt::StringLiterals;

// The Kamailio PBX of pbx/run-pbx.sh on a free loopback port, for as long as this object lives.
// It registers the given extensions with digest authentication, connects their calls and
// answers STUN on the same port. It is stopped by its pid, and also when the test process dies.
class TestPbx {
public:
    enum class Tls { none, signedByTestCa, selfSigned }; // its TLS port's certificate, if any

    // Extensions as "extension:password" or "extension:password:auth user". A port taken by
    // someone else meanwhile makes it try again on another.
    explicit TestPbx(const QStringList &extensions, Tls tls = Tls::none)
    {
        for (int attempt = 0; attempt < 3 && !launch(extensions, tls); ++attempt)
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
    // The test CA's certificate (PEM), made when the PBX started with TLS.
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
    // The PBX's main process and its workers.
    void signalAll(int signal)
    {
        const qint64 pid = m_process.processId();
        if (pid <= 0)
            return;
        QFile children(u"/proc/%1/task/%1/children"_s.arg(pid));
        QList<QByteArray> pids = children.open(QIODevice::ReadOnly) ? children.readAll().split(' ') : QList<QByteArray>();
        for (const QByteArray &each : pids << QByteArray::number(pid)) {
            if (!each.trimmed().isEmpty())
                ::kill(pid_t(each.toLongLong()), signal);
        }
    }

    bool launch(const QStringList &extensions, Tls tls)
    {
        m_process.waitForFinished(2000);
        m_port = freePort();
        const QString work = m_work.filePath(u"run-%1"_s.arg(m_port));
        QDir().mkpath(work + u"/runtime"_s);
        if (tls != Tls::none) {
            m_tlsPort = freePort();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"PBX_TLS_PORT"_s, QString::number(m_tlsPort));
            environment.insert(u"PBX_TLS_CERTIFICATE"_s, tls == Tls::selfSigned ? u"self-signed"_s : u"signed"_s);
            m_process.setProcessEnvironment(environment);
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(QStringLiteral(VOZEL_TEST_PBX_SCRIPT), QStringList{work, QString::number(m_port)} + extensions);
        const QDeadlineTimer deadline(10000);
        while (m_process.waitForStarted(5000) && !deadline.hasExpired()) {
            if (answersStun())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    bool answersStun() const
    {
        QUdpSocket socket;
        QByteArray request("\x00\x01\x00\x00\x21\x12\xa4\x42", 8); // Binding request, magic cookie
        for (int i = 0; i < 12; ++i)
            request += char(QRandomGenerator::global()->bounded(256));
        socket.writeDatagram(request, QHostAddress::LocalHost, m_port);
        if (!socket.waitForReadyRead(200))
            return false;
        const QByteArray reply = socket.receiveDatagram().data();
        return reply.size() >= 20 && reply[0] == 0x01 && reply[1] == 0x01;
    }

    QTemporaryDir m_work;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    QString m_log;
};

} // namespace vozel::test
