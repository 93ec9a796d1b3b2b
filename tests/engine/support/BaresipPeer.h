#pragma once

#include "TestPbx.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QThread>

namespace vozel::test {

// baresip, another SIP stack, as a remote party of the engine's calls: a process with its own
// configuration folder, registered on the test PBX, driven through its control socket (ctrl_tcp:
// JSON as netstrings). It sends a tone, so RTP and RFC 2833 digits flow both ways. Stopped by
// its pid, also when the test process dies.
class BaresipPeer {
public:
    BaresipPeer(const TestPbx &pbx, const QString &extension, const QString &password)
    {
        const quint16 controlPort = TestPbx::freePort();
        // Opus because the tone source only runs at 48 kHz; nothing is played anywhere.
        writeFile(u"config"_s, u"sip_listen 127.0.0.1:0\naudio_player aubridge,nowhere\naudio_alert aubridge,nowhere\n"
                              "audio_source ausine,440\nmodule_path /usr/lib/baresip/modules\nmodule opus.so\n"
                              "module g711.so\nmodule aubridge.so\nmodule ausine.so\nmodule_app account.so\n"
                              "module_app menu.so\nmodule_app ctrl_tcp.so\nctrl_tcp_listen 127.0.0.1:%1\n"_s.arg(controlPort));
        writeFile(u"accounts"_s, u"<sip:%1@%2>;auth_pass=%3;outbound=\"sip:%2:%4;transport=udp\";regint=600\n"_s.arg(
                                     extension, pbx.host(), password, QString::number(pbx.port())));
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

    ~BaresipPeer()
    {
        m_control.disconnectFromHost();
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    BaresipPeer(const BaresipPeer &) = delete;
    BaresipPeer &operator=(const BaresipPeer &) = delete;

    // Asks baresip while the answer is no: it registers before anyone listens to its events.
    bool isRegistered()
    {
        if (!m_registered)
            command("reginfo");
        return m_registered;
    }
    // Its call events in order, as "CALL_INCOMING", "CALL_ESTABLISHED", "CALL_CLOSED 486 Busy Here".
    const QStringList &events() const { return m_events; }
    // The RFC 2833 digits received so far.
    const QString &digits() const { return m_digits; }
    // What baresip wrote so far, for failure messages.
    QString log() const
    {
        QFile file(m_folder.filePath(u"log"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void dial(const QString &target) { command("dial", target); }
    void accept() { command("accept"); }
    void hangUp() { command("hangup"); }

private:
    void writeFile(const QString &name, const QString &text)
    {
        QFile file(m_folder.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    void command(const char *name, const QString &parameters = {})
    {
        const QByteArray json =
            QJsonDocument(QJsonObject{{u"command"_s, QString::fromLatin1(name)}, {u"params"_s, parameters}})
                .toJson(QJsonDocument::Compact);
        m_control.write(QByteArray::number(json.size()) + ':' + json + ',');
        m_control.flush();
    }

    void readEvents()
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

    QTemporaryDir m_folder;
    QProcess m_process;
    QTcpSocket m_control;
    QByteArray m_received;
    QStringList m_events;
    QString m_digits;
    bool m_registered = false;
};

} // namespace vozel::test
