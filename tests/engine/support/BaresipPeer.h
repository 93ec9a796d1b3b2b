#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace vozel::test {

class TestPbx;

// baresip, another SIP stack, as a remote party of the engine's calls: its own process with a
// configuration folder of its own, registered on the test PBX over loopback, driven through
// its control socket (ctrl_tcp: JSON commands and events as netstrings). It sends a tone, so
// its RTP flows and RFC 2833 digits travel both ways. Stopped by its pid, also when the test
// process dies.
class BaresipPeer {
public:
    BaresipPeer(const TestPbx &pbx, const QString &extension, const QString &password);
    ~BaresipPeer();
    BaresipPeer(const BaresipPeer &) = delete;
    BaresipPeer &operator=(const BaresipPeer &) = delete;

    // Asks baresip while the answer is no: it registers before anyone listens to its events.
    bool isRegistered();
    // Its call events in order, as "CALL_INCOMING", "CALL_ESTABLISHED", "CALL_CLOSED 486 Busy Here".
    const QStringList &events() const { return m_events; }
    // The RFC 2833 digits received so far.
    const QString &digits() const { return m_digits; }
    // What baresip wrote so far, for failure messages.
    QString log() const;

    void dial(const QString &target) { command("dial", target); }
    void accept() { command("accept"); }
    void hangUp() { command("hangup"); }

private:
    void writeFile(const QString &name, const QString &text);
    void command(const char *name, const QString &parameters = {});
    void readEvents();

    QTemporaryDir m_folder;
    QProcess m_process;
    QTcpSocket m_control;
    QByteArray m_received;
    QStringList m_events;
    QString m_digits;
    bool m_registered = false;
};

} // namespace vozel::test
