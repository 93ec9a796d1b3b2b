#pragma once

#include <QList>
#include <QProcess>
#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// The PulseAudio server of tests/sandbox.sh, where null sinks and sources plugged here stand for
// devices until this object goes. Tests that plug devices hold the "sound server" ctest lock.
class SandboxPulse {
public:
    ~SandboxPulse()
    {
        for (const int module : m_modules)
            pactl({u"unload-module"_s, QString::number(module)});
    }

    static bool isTheSandboxs() { return pactl({u"info"_s}).contains("vozel-sandbox"_L1); }

    // A null "sink" or "source"; only sinks take the server's "key=value" properties. The module's index.
    int plug(const QString &kind, const QString &name, const QString &description, const QString &properties = {})
    {
        const QString described = kind == "source"_L1
            ? u"description='%1'"_s.arg(description)
            : u"sink_properties='device.description=\"%1\" %2'"_s.arg(description, properties);
        return m_modules.emplace_back(
            pactl({u"load-module"_s, u"module-null-"_s + kind, kind + u"_name="_s + name, described}).trimmed().toInt());
    }

    // The lines of the server's short sink listing for the sinks something plays on now.
    static QString playingSinks()
    {
        return pactl({u"list"_s, u"short"_s, u"sinks"_s}).split(u'\n').filter(u"\tRUNNING"_s).join(u'\n');
    }

    static QString pactl(const QStringList &arguments)
    {
        QProcess process;
        process.start(u"pactl"_s, arguments);
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

private:
    QList<int> m_modules;
};

} // namespace vozel::test
