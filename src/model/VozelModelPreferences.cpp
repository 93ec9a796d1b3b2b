#include "model/VozelModel.h"

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

// Picks the first device that satisfies `preferred`, else the first device.
const VozelAudioDevice &pick(const QList<VozelAudioDevice> &devices, bool (*preferred)(const VozelAudioDevice &))
{
    const auto it = std::find_if(devices.cbegin(), devices.cend(), preferred);
    return it != devices.cend() ? *it : devices.first();
}

bool containsID(const QList<VozelAudioDevice> &devices, const QString &id)
{
    return std::any_of(devices.cbegin(), devices.cend(), [&](const VozelAudioDevice &d) { return d.id == id; });
}

} // namespace

QString VozelModel::storedDeviceID(const QString &key) const
{
    return m_services.defaults->stringValue(key).value_or(QString());
}

VozelModel::DeviceChoice VozelModel::deviceChoice(VozelAudioRoute route)
{
    switch (route) {
    case VozelAudioRoute::microphone:
        return {m_microphoneDeviceID, microphoneDeviceKey, &VozelModel::microphoneDeviceIDChanged};
    case VozelAudioRoute::callOutput:
        return {m_callOutputDeviceID, callOutputDeviceKey, &VozelModel::callOutputDeviceIDChanged};
    case VozelAudioRoute::ringer:
        break;
    }
    return {m_ringerDeviceID, ringerDeviceKey, &VozelModel::ringerDeviceIDChanged};
}

void VozelModel::setDeviceChoice(VozelAudioRoute route, const QString &id)
{
    const DeviceChoice choice = deviceChoice(route);
    if (choice.field != id) {
        choice.field = id;
        emit(this->*choice.changed)();
    }
    m_services.defaults->setString(choice.key, id);
    applyDevice(route, id);
}

void VozelModel::applyDevice(VozelAudioRoute route, const QString &id)
{
    m_services.engine->selectAudioDevice(id, route);
    if (route != VozelAudioRoute::ringer)
        return;
    // The ring is the alert manager's own sound; it finds the device by the name the user saw.
    const auto device = std::find_if(m_audioDevices.cbegin(), m_audioDevices.cend(),
                                     [&](const VozelAudioDevice &d) { return d.id == id; });
    m_services.systemCalls->setRingerDevice(device != m_audioDevices.cend() ? device->name : QString());
}

void VozelModel::refreshAudioDevices()
{
    const QList<VozelAudioDevice> devices = m_services.engine->audioDevices();
    if (m_audioDevices != devices) {
        m_audioDevices = devices;
        emit audioDevicesChanged();
    }
    if (devices.isEmpty())
        return;

    QList<VozelAudioDevice> inputs, outputs;
    for (const auto &device : devices) {
        if (device.canRecord)
            inputs.append(device);
        if (device.canPlay)
            outputs.append(device);
    }
    const auto isUSB = [](const VozelAudioDevice &d) { return d.isUSB; };
    const auto isBuiltIn = [](const VozelAudioDevice &d) { return !d.isUSB; };

    // A missing choice is replaced (and stored); a present one is applied again as it is.
    const auto apply = [&](VozelAudioRoute route, const QString &current, const QList<VozelAudioDevice> &candidates,
                           bool (*preferred)(const VozelAudioDevice &)) {
        if (!candidates.isEmpty() && !containsID(candidates, current))
            setDeviceChoice(route, pick(candidates, preferred).id);
        else if (!current.isEmpty())
            applyDevice(route, current);
    };
    apply(VozelAudioRoute::microphone, m_microphoneDeviceID, inputs, isUSB);
    apply(VozelAudioRoute::callOutput, m_callOutputDeviceID, outputs, isUSB);
    apply(VozelAudioRoute::ringer, m_ringerDeviceID, outputs, isBuiltIn);
}

void VozelModel::setMicrophoneDevice(const QString &id)
{
    setDeviceChoice(VozelAudioRoute::microphone, id);
}

void VozelModel::setCallOutputDevice(const QString &id)
{
    setDeviceChoice(VozelAudioRoute::callOutput, id);
}

void VozelModel::setRingerDevice(const QString &id)
{
    setDeviceChoice(VozelAudioRoute::ringer, id);
}

void VozelModel::setLaunchAtLogin(bool enabled)
{
    std::optional<QString> failure;
    try {
        m_services.loginItem->setEnabled(enabled);
    } catch (const Failure &error) {
        failure = error.description();
    }
    refreshLaunchAtLogin();
    if (failure)
        setErrorMessage(u"Não foi possível alterar a inicialização automática: "_s + *failure);
}

void VozelModel::refreshLaunchAtLogin()
{
    const bool enabled = m_services.loginItem->isEnabled();
    if (m_launchAtLogin == enabled)
        return;
    m_launchAtLogin = enabled;
    emit launchAtLoginChanged();
}

} // namespace vozel
