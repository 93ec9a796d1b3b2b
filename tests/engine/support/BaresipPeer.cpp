#include "BaresipPeer.h"

#include "TestPbx.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace vozel::test {

using namespace Qt::StringLiterals;

BaresipPeer::BaresipPeer(const TestPbx &pbx, const QString &extension, const QString &password)
{
    const quint16 controlPort = TestPbx::freePort();
    QFile config(m_folder.filePath(u"config"_s));
    config.open(QIODevice::WriteOnly);
    // Opus because the tone source only runs at 48 kHz; nothing is played anywhere.
    config.write(u"sip_listen 127.0.0.1:0\n"
                 "audio_player aubridge,nowhere\naudio_alert aubridge,nowhere\naudio_source ausine,440\n"
                 "module_path /usr/lib/baresip/modules\n"
                 "module opus.so\nmodule g711.so\nmodule aubridge.so\nmodule ausine.so\n"
                 "module_app account.so\nmodule_app menu.so\nmodule_app ctrl_tcp.so\n"
                 "ctrl_tcp_listen 127.0.0.1:%1\n"_s.arg(controlPort)
                     .toUtf8());
    config.close();
    QFile accounts(m_folder.filePath(u"accounts"_s));
    accounts.open(QIODevice::WriteOnly);
    accounts.write(u"<sip:%1@%2>;auth_pass=%3;outbound=\"sip:%2:%4;transport=udp\";regint=600\n"_s
                       .arg(extension, pbx.host(), password, QString::number(pbx.port()))
                       .toUtf8());
    accounts.close();

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_folder.filePath(u"log"_s));
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(u"baresip"_s, {u"-f"_s, m_folder.path()});
    QObject::connect(&m_control, &QTcpSocket::readyRead, [this] { readEvents(); });
    const QDeadlineTimer deadline(5000);
    while (m_process.waitForStarted(1000) && !deadline.hasExpired()) {
        m_control.connectToHost(pbx.host(), controlPort);
        if (m_control.waitForConnected(200))
            return;
        QThread::msleep(50);
    }
    qWarning("baresip did not start:\n%s", qPrintable(log()));
}

BaresipPeer::~BaresipPeer()
{
    m_control.disconnectFromHost();
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool BaresipPeer::isRegistered()
{
    if (!m_registered)
        command("reginfo");
    return m_registered;
}

QString BaresipPeer::log() const
{
    QFile file(m_folder.filePath(u"log"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void BaresipPeer::command(const char *name, const QString &parameters)
{
    const QByteArray json =
        QJsonDocument(QJsonObject{{u"command"_s, QString::fromLatin1(name)}, {u"params"_s, parameters}})
            .toJson(QJsonDocument::Compact);
    m_control.write(QByteArray::number(json.size()) + ':' + json + ',');
    m_control.flush();
}

void BaresipPeer::readEvents()
{
    m_received += m_control.readAll();
    for (;;) {
        const auto colon = m_received.indexOf(':');
        const qsizetype length = colon > 0 ? m_received.left(colon).toLongLong() : -1;
        if (length < 0 || m_received.size() < colon + length + 2)
            return;
        const QJsonObject message = QJsonDocument::fromJson(m_received.mid(colon + 1, length)).object();
        m_received.remove(0, colon + length + 2);
        const QString type = message.value(u"type"_s).toString();
        const QString parameter = message.value(u"param"_s).toString();
        if (message.value(u"data"_s).toString().contains(u"\x1b[32mOK"_s))
            m_registered = true;
        else if (type == "CALL_DTMF_START"_L1)
            m_digits += parameter;
        else if (message.value(u"class"_s) == "call"_L1 && type != "CALL_RTCP"_L1)
            m_events << (type == "CALL_CLOSED"_L1 ? type + u' ' + parameter : type);
    }
}

} // namespace vozel::test
