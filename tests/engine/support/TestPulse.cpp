#include "TestPulse.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace vozel::test {

using namespace Qt::StringLiterals;

TestPulse::TestPulse()
{
    const QString socket = m_folder.path() + u"/native"_s;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PULSE_RUNTIME_PATH"_s, m_folder.path());
    environment.insert(u"PULSE_STATE_PATH"_s, m_folder.path());
    // Kept off the session bus, where the desktop's own server already holds the name.
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + m_folder.path() + u"/no-bus"_s);
    environment.remove(u"DISPLAY"_s);
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_server.start(u"pulseaudio"_s, {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--disallow-exit"_s,
                                     u"--use-pid-file=no"_s, u"--disable-shm=yes"_s,
                                     u"--load=module-native-protocol-unix socket=%1 auth-anonymous=1"_s.arg(socket)});
    if (!m_server.waitForStarted(5000))
        return;
    qputenv("PULSE_SERVER", ("unix:"_L1 + socket).toUtf8());
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_server.state() == QProcess::Running) {
        if (pactl({u"info"_s})) {
            m_running = true;
            return;
        }
        QThread::msleep(50);
    }
}

TestPulse::~TestPulse()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
    m_server.waitForFinished(2000);
}

int TestPulse::addSink(const QString &name, const QString &description, const QStringList &properties)
{
    const QString described = u"device.description=\"%1\""_s.arg(description);
    const auto module = pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name="_s + name,
                               u"sink_properties='%1'"_s.arg((QStringList(described) + properties).join(u' '))});
    return module ? module->trimmed().toInt() : -1;
}

int TestPulse::addSource(const QString &name, const QString &description)
{
    const auto module = pactl({u"load-module"_s, u"module-null-source"_s, u"source_name="_s + name,
                               u"description='%1'"_s.arg(description)});
    return module ? module->trimmed().toInt() : -1;
}

bool TestPulse::unload(int module)
{
    return pactl({u"unload-module"_s, QString::number(module)}).has_value();
}

QStringList TestPulse::playingSinks()
{
    QHash<QString, QString> nameOfSink;
    for (const QString &line : pactl({u"list"_s, u"short"_s, u"sinks"_s}).value_or(QString()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() > 1)
            nameOfSink.insert(fields[0], fields[1]);
    }
    QStringList sinks;
    for (const QString &line : pactl({u"list"_s, u"short"_s, u"sink-inputs"_s}).value_or(QString()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() > 1)
            sinks << nameOfSink.value(fields[1]);
    }
    return sinks;
}

std::optional<QString> TestPulse::pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"pactl"_s, arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace vozel::test
