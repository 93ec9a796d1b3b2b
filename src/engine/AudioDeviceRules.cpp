#include "engine/AudioDeviceRules.h"

namespace vozel::sip {

using namespace Qt::StringLiterals;
using Capability = linphone::AudioDevice::Capabilities;

VozelAudioDevice describeAudioDevice(const QString &id, const QString &name, bool canRecord, bool canPlay,
                                     DeviceKind kind)
{
    const QString shown = name.isEmpty() ? id : name;
    return {id, shown, canRecord, canPlay,
            kind == DeviceKind::GenericUsb || name.contains(u"USB"_s, Qt::CaseInsensitive)};
}

VozelAudioDevice describeAudioDevice(const linphone::AudioDevice &device)
{
    return describeAudioDevice(QString::fromStdString(device.getId()), QString::fromStdString(device.getDeviceName()),
                               device.hasCapability(Capability::CapabilityRecord),
                               device.hasCapability(Capability::CapabilityPlay), device.getType());
}

bool isLoudspeaker(DeviceKind kind, const QString &name)
{
    return kind == DeviceKind::Speaker || name.contains(u"speaker"_s, Qt::CaseInsensitive)
        || name.contains(u"alto-falante"_s, Qt::CaseInsensitive);
}

} // namespace vozel::sip
