#pragma once

// The sinks and sources of the sound server (PulseAudio, or PipeWire speaking its protocol), read
// from the server itself and kept current from its events, so that a headset plugged in is
// known at once and no one has to look again every few seconds.

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace vozel::sip {

// One sink (plays) or source (records) as the server describes it. Monitors of sinks are left out.
struct SoundServerDevice {
    // The server's unique name, e.g. "alsa_output.usb-GN_Jabra_EVOLVE_20-00.analog-stereo".
    QString name;
    // What people read, e.g. "Jabra EVOLVE 20 Mono"; two identical headsets share it.
    QString description;
    bool isSink = false;
    // Properties "device.bus" (usb, bluetooth, pci…) and "device.form_factor" (internal,
    // speaker, headset…); empty when the server does not say.
    QString bus;
    QString formFactor;

    friend bool operator==(const SoundServerDevice &, const SoundServerDevice &) = default;
};

class SoundServerWatch final : public QObject {
public:
    enum class State { connecting, ready, unavailable };

    // onChange runs on this object's thread whenever the list of devices differs from the one
    // last reported, and once when the first list arrives or the server cannot be reached.
    explicit SoundServerWatch(std::function<void()> onChange);
    ~SoundServerWatch() override;

    State state() const { return m_state; }
    const QList<SoundServerDevice> &devices() const { return m_devices; }

    // Moves the call audio this process plays to the named sink. The stack keeps playing a
    // running call on the device it started with, whatever it is told.
    void moveCallPlayback(const QString &sinkName);

    struct Connection;

private:
    void listArrived(QList<SoundServerDevice> devices);
    void settled();
    void becameUnavailable();

    std::function<void()> m_onChange;
    State m_state = State::connecting;
    QList<SoundServerDevice> m_devices;
    QList<SoundServerDevice> m_reported;
    // A plug brings a sink and a source in quick succession: they are reported together.
    QTimer m_settle;
    std::unique_ptr<Connection> m_connection;
};

} // namespace vozel::sip
