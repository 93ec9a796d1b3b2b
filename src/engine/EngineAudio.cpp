// Sound devices: the list, the device per role, the loudspeaker switch and noticing devices
// that come and go.

#include "engine/EngineCore.h"

#include "engine/AudioDeviceRules.h"

#include <linphone++/audio_device.hh>

namespace vozel::sip {

namespace {

// A headset plugged in shows up within this time, plus one tick.
constexpr int audioDeviceWatchIntervalMs = 2000;

using Device = std::shared_ptr<linphone::AudioDevice>;

Device deviceWithId(const std::list<Device> &devices, const std::string &id)
{
    for (const Device &device : devices) {
        if (device->getId() == id)
            return device;
    }
    return nullptr;
}

} // namespace

QList<VozelAudioDevice> EngineCore::audioDevices() const
{
    QList<VozelAudioDevice> devices;
    if (!m_core)
        return devices;
    for (const Device &device : m_core->getExtendedAudioDevices())
        devices << describeAudioDevice(*device);
    return devices;
}

void EngineCore::selectAudioDevice(const QString &id, VozelAudioRoute route)
{
    if (!m_core)
        return;
    const Device device = deviceWithId(m_core->getExtendedAudioDevices(), id.toStdString());
    if (!device)
        return;
    switch (route) {
    case VozelAudioRoute::microphone:
        m_core->setDefaultInputAudioDevice(device);
        m_core->setInputAudioDevice(device);
        break;
    case VozelAudioRoute::callOutput:
        m_core->setDefaultOutputAudioDevice(device);
        m_core->setOutputAudioDevice(device);
        break;
    case VozelAudioRoute::ringer:
        m_core->setRingerDevice(device->getId());
        break;
    }
}

bool EngineCore::setSpeakerEnabled(bool enabled)
{
    if (!m_core)
        return false;
    const auto devices = m_core->getExtendedAudioDevices();
    if (enabled) {
        const auto current = m_core->getOutputAudioDevice();
        m_previousOutputDeviceID = current ? std::optional(QString::fromStdString(current->getId())) : std::nullopt;
        for (const Device &device : devices) {
            if (isLoudspeaker(device->getType(), QString::fromStdString(device->getDeviceName()))) {
                m_core->setOutputAudioDevice(device);
                return true;
            }
        }
        return false;
    }

    Device restored = m_previousOutputDeviceID
        ? deviceWithId(devices, m_previousOutputDeviceID->toStdString())
        : nullptr;
    if (!restored) {
        const auto earpiece = std::find_if(devices.begin(), devices.end(), [](const Device &device) {
            return device->getType() == DeviceKind::Earpiece;
        });
        restored = earpiece == devices.end() ? nullptr : *earpiece;
    }
    if (restored)
        m_core->setOutputAudioDevice(restored);
    m_previousOutputDeviceID.reset();
    return true;
}

void EngineCore::watchAudioDevices()
{
    m_audioDeviceWatch = std::make_unique<QTimer>();
    m_audioDeviceWatch->setInterval(audioDeviceWatchIntervalMs);
    QObject::connect(m_audioDeviceWatch.get(), &QTimer::timeout, [this] { reloadAudioDevicesWhenIdle(); });
    m_audioDeviceWatch->start();
}

void EngineCore::reloadAudioDevicesWhenIdle()
{
    // Reloading rebuilds the sound cards under a running call's streams; wait for the call to end.
    if (m_core && m_core->getCallsNb() == 0)
        m_core->reloadSoundDevices();
}

void EngineCore::audioDevicesUpdated()
{
    // The stack reports every reload, changed or not; the owner hears only of real changes.
    QList<VozelAudioDevice> devices = audioDevices();
    if (devices == m_knownAudioDevices)
        return;
    m_knownAudioDevices = std::move(devices);
    reportAudioDevicesChanged();
}

} // namespace vozel::sip
