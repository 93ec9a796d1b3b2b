#pragma once

#include <QProcess>
#include <QStringList>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace vozel::test {

// A PulseAudio server of the test's own, without hardware, that the test adds null sinks and
// sources to. It must exist before the first SIP core of the process: the stack reads the
// server's address (PULSE_SERVER, which this sets) only once.
class TestPulse {
public:
    TestPulse();
    ~TestPulse();
    TestPulse(const TestPulse &) = delete;
    TestPulse &operator=(const TestPulse &) = delete;

    bool isRunning() const { return m_running; }

    // Each returns the module index to unload, or -1. Properties are "key=value" words, such as
    // "device.bus=usb".
    int addSink(const QString &name, const QString &description, const QStringList &properties = {});
    int addSource(const QString &name, const QString &description);
    bool unload(int module);
    // The sink each playing stream goes to, by name.
    QStringList playingSinks();

private:
    // The command's output, or none when it failed.
    std::optional<QString> pactl(const QStringList &arguments);

    QTemporaryDir m_folder;
    QProcess m_server;
    bool m_running = false;
};

} // namespace vozel::test
