// Sound devices: the list, the device per role and the loudspeaker switch. The list comes from
// the sound server; the stack plays through its own copy of the same devices, which it reads
// again whenever the server reports a change.

#include "engine/EngineCore.h"

#include "engine/AudioDeviceRules.h"

#include <linphone++/audio_device.hh>

namespace vozel::sip {

namespace {

using Device = std::shared_ptr<linphone::AudioDevice>;
using ConstDevice = std::shared_ptr<const linphone::AudioDevice>;
using Capability = linphone::AudioDevice::Capabilities;

Device deviceWithId(const std::list<Device> &devices, const std::string &id)
{
    for (const Device &device : devices) {
        if (device->getId() == id)
            return device;
    }
    return nullptr;
}

Capability capabilityOf(const SoundServerDevice &device)
{
    return device.isSink ? Capability::CapabilityPlay : Capability::CapabilityRecord;
}

// The stack names its copy of a server device after the description alone and keeps the
// server's order, sinks before sources: the n-th sink described "X" is its n-th playing "X".
Device stackDeviceFor(const QList<SoundServerDevice> &serverDevices, const SoundServerDevice &wanted,
                      const std::list<Device> &stackDevices)
{
    qsizetype rank = 0;
    for (const SoundServerDevice &device : serverDevices) {
        if (device.name == wanted.name)
            break;
        if (device.isSink == wanted.isSink && device.description == wanted.description)
            ++rank;
    }
    const std::string description = wanted.description.toStdString();
    for (const Device &device : stackDevices) {
        if (device->getDeviceName() == description && device->hasCapability(capabilityOf(wanted)) && rank-- == 0)
            return device;
    }
    return nullptr;
}

// The sink the stack's playing device stands for. The stack hands out copies of its devices that
// tell twins apart by nothing: the first sink of that description stands for all of them.
const SoundServerDevice *serverSinkFor(const QList<SoundServerDevice> &serverDevices, const ConstDevice &stackDevice)
{
    const QString description = QString::fromStdString(stackDevice->getDeviceName());
    for (const SoundServerDevice &device : serverDevices) {
        if (device.isSink && device.description == description)
            return &device;
    }
    return nullptr;
}

} // namespace

bool EngineCore::soundServerKnowsDevices() const
{
    return m_soundServer->state() != SoundServerWatch::State::unavailable;
}

QList<VozelAudioDevice> EngineCore::audioDevices() const
{
    QList<VozelAudioDevice> devices;
    if (!m_core)
        return devices;
    if (soundServerKnowsDevices()) {
        for (const SoundServerDevice &device : m_soundServer->devices())
            devices << describeAudioDevice(device);
        return devices;
    }
    for (const Device &device : m_core->getExtendedAudioDevices())
        devices << describeAudioDevice(*device);
    return devices;
}

Device EngineCore::stackDeviceWithId(const QString &id) const
{
    const auto stackDevices = m_core->getExtendedAudioDevices();
    if (!soundServerKnowsDevices())
        return deviceWithId(stackDevices, id.toStdString());
    const QList<SoundServerDevice> &serverDevices = m_soundServer->devices();
    for (const SoundServerDevice &device : serverDevices) {
        if (device.name == id)
            return stackDeviceFor(serverDevices, device, stackDevices);
    }
    return nullptr;
}

void EngineCore::selectAudioDevice(const QString &id, VozelAudioRoute route)
{
    if (!m_core)
        return;
    const Device device = stackDeviceWithId(id);
    if (!device)
        return;
    switch (route) {
    case VozelAudioRoute::microphone:
        m_core->setDefaultInputAudioDevice(device);
        m_core->setInputAudioDevice(device);
        break;
    case VozelAudioRoute::callOutput:
        m_core->setDefaultOutputAudioDevice(device);
        playCallOn(id, device);
        break;
    case VozelAudioRoute::ringer:
        m_core->setRingerDevice(device->getId());
        break;
    }
}

void EngineCore::playCallOn(const QString &id, const Device &device)
{
    m_core->setOutputAudioDevice(device);
    if (soundServerKnowsDevices() && m_core->getCallsNb() > 0)
        m_soundServer->moveCallPlayback(id);
}

QString EngineCore::idOfStackDevice(const ConstDevice &device) const
{
    if (!soundServerKnowsDevices())
        return QString::fromStdString(device->getId());
    const auto *found = serverSinkFor(m_soundServer->devices(), device);
    return found ? found->name : QString();
}

QString EngineCore::loudspeakerId() const
{
    if (!soundServerKnowsDevices()) {
        for (const Device &device : m_core->getExtendedAudioDevices()) {
            if (isLoudspeaker(device->getType(), QString::fromStdString(device->getDeviceName())))
                return QString::fromStdString(device->getId());
        }
        return {};
    }
    using Rule = bool (*)(const SoundServerDevice &);
    for (const Rule rule : {Rule(&isLoudspeaker), Rule(&isBuiltInOutput)}) {
        for (const SoundServerDevice &device : m_soundServer->devices()) {
            if (rule(device))
                return device.name;
        }
    }
    return {};
}

bool EngineCore::setSpeakerEnabled(bool enabled)
{
    if (!m_core)
        return false;
    if (enabled) {
        const auto current = m_core->getOutputAudioDevice();
        m_previousOutputDeviceID = current ? std::optional(idOfStackDevice(current)) : std::nullopt;
        const QString speakerId = loudspeakerId();
        const Device speaker = speakerId.isEmpty() ? nullptr : stackDeviceWithId(speakerId);
        if (!speaker)
            return false;
        playCallOn(speakerId, speaker);
        return true;
    }

    QString restoredId = m_previousOutputDeviceID.value_or(QString());
    Device restored = restoredId.isEmpty() ? nullptr : stackDeviceWithId(restoredId);
    if (!restored) {
        const auto devices = m_core->getExtendedAudioDevices();
        const auto earpiece = std::find_if(devices.begin(), devices.end(), [](const Device &device) {
            return device->getType() == DeviceKind::Earpiece;
        });
        restored = earpiece == devices.end() ? nullptr : *earpiece;
        restoredId = restored ? idOfStackDevice(restored) : QString();
    }
    if (restored)
        playCallOn(restoredId, restored);
    m_previousOutputDeviceID.reset();
    return true;
}

void EngineCore::soundServerChanged()
{
    if (!m_core || !m_audioDevicesReported)
        return;
    // Reading the devices again rebuilds the stack's sound cards under a running call's streams:
    // that waits for the call to end.
    if (m_core->getCallsNb() > 0) {
        m_audioDevicesStale = true;
        return;
    }
    m_audioDevicesStale = false;
    if (soundServerKnowsDevices())
        m_core->reloadSoundDevices();
    audioDevicesUpdated();
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
