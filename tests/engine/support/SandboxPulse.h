#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vozel::test {

// The test session's PulseAudio server (tests/sandbox.sh starts one without hardware), where null
// sinks and sources stand for devices; they are unloaded with this object. Every test that plugs
// devices holds the "sound server" lock (tests/CMakeLists.txt), as other engines would see them.
class SandboxPulse {
public:
    ~SandboxPulse()
    {
        for (const int module : m_modules)
            pactl({QStringLiteral("unload-module"), QString::number(module)});
    }

    static bool isTheSandboxs() { return pactl({QStringLiteral("info")}).contains(QLatin1String("vozel-sandbox")); }

    // A null "sink" or "source"; only sinks take the server's "key=value" properties. The module's index.
    int plug(const QString &kind, const QString &name, const QString &description, const QString &properties = {})
    {
        const QString described = kind == QLatin1String("source")
            ? QStringLiteral("description='%1'").arg(description)
            : QStringLiteral("sink_properties='device.description=\"%1\" %2'").arg(description, properties);
        const int module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-") + kind,
                                  kind + QStringLiteral("_name=") + name, described})
                               .trimmed()
                               .toInt();
        m_modules << module;
        return module;
    }

    void unplug(int module)
    {
        pactl({QStringLiteral("unload-module"), QString::number(module)});
        m_modules.removeOne(module);
    }

    // The lines of the server's short sink listing for the sinks something plays on now.
    static QString playingSinks()
    {
        return pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")})
            .split(u'\n')
            .filter(QStringLiteral("\tRUNNING"))
            .join(u'\n');
    }

    static QString pactl(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("pactl"), arguments);
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

private:
    QList<int> m_modules;
};

} // namespace vozel::test
