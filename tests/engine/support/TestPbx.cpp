#include "TestPbx.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QThread>
#include <QUdpSocket>

#include <csignal>
#include <sys/prctl.h>

namespace vozel::test {

using namespace Qt::StringLiterals;

TestPbx::TestPbx(QStringList extensions, Tls tls)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (launch(extensions, tls))
            return;
    }
    qWarning("The test PBX did not start:\n%s", qPrintable(log()));
}

TestPbx::~TestPbx()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // A stopped Kamailio cannot handle SIGTERM; a killed one leaves its workers behind.
    signalAll(SIGCONT);
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        signalAll(SIGKILL);
        m_process.waitForFinished(2000);
    }
}

QString TestPbx::log()
{
    m_log += QString::fromLocal8Bit(m_process.readAll());
    return m_log;
}

void TestPbx::setAnswering(bool answering)
{
    signalAll(answering ? SIGCONT : SIGSTOP);
}

void TestPbx::signalAll(int signal)
{
    const qint64 pid = m_process.processId();
    if (pid <= 0)
        return;
    QFile children(u"/proc/%1/task/%1/children"_s.arg(pid));
    QList<QByteArray> pids = children.open(QIODevice::ReadOnly) ? children.readAll().split(' ') : QList<QByteArray>();
    pids << QByteArray::number(pid);
    for (const QByteArray &each : pids) {
        if (!each.trimmed().isEmpty())
            ::kill(pid_t(each.toLongLong()), signal);
    }
}

quint16 TestPbx::freePort()
{
    for (;;) {
        QUdpSocket udp;
        if (!udp.bind(QHostAddress::LocalHost, 0))
            continue;
        QTcpServer tcp;
        if (tcp.listen(QHostAddress::LocalHost, udp.localPort()))
            return udp.localPort();
    }
}

bool TestPbx::launch(const QStringList &extensions, Tls tls)
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    m_port = freePort();
    const QString work = m_work.path() + u"/run-"_s + QString::number(m_port);
    m_workFolder = work;
    QDir().mkpath(work + u"/runtime"_s);
    if (tls != Tls::none) {
        m_tlsPort = freePort();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PBX_TLS_PORT"_s, QString::number(m_tlsPort));
        environment.insert(u"PBX_TLS_CERTIFICATE"_s, tls == Tls::selfSigned ? u"self-signed"_s : u"signed"_s);
        m_process.setProcessEnvironment(environment);
    }

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Kamailio goes when the test process goes, even when the test crashes.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral(VOZEL_TEST_PBX_SCRIPT),
                    QStringList{work, QString::number(m_port)} + extensions);
    if (!m_process.waitForStarted(5000))
        return false;

    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            return false;
        if (answersStun())
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool TestPbx::answersStun() const
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

} // namespace vozel::test
