#include "engine/AudioDeviceRules.h"

namespace vozel::sip {

using namespace Qt::StringLiterals;
using Capability = linphone::AudioDevice::Capabilities;

namespace {

bool mentionsUsb(const QString &name)
{
    return name.contains(u"USB"_s, Qt::CaseInsensitive);
}

bool mentionsLoudspeaker(const QString &name)
{
    return name.contains(u"speaker"_s, Qt::CaseInsensitive) || name.contains(u"alto-falante"_s, Qt::CaseInsensitive);
}

} // namespace

VozelAudioDevice describeAudioDevice(const SoundServerDevice &device)
{
    const QString shown = device.description.isEmpty() ? device.name : device.description;
    return {device.name, shown, !device.isSink, device.isSink, device.bus == u"usb"_s || mentionsUsb(shown)};
}

VozelAudioDevice describeAudioDevice(const QString &id, const QString &name, bool canRecord, bool canPlay,
                                     DeviceKind kind)
{
    const QString shown = name.isEmpty() ? id : name;
    return {id, shown, canRecord, canPlay, kind == DeviceKind::GenericUsb || mentionsUsb(name)};
}

VozelAudioDevice describeAudioDevice(const linphone::AudioDevice &device)
{
    return describeAudioDevice(QString::fromStdString(device.getId()), QString::fromStdString(device.getDeviceName()),
                               device.hasCapability(Capability::CapabilityRecord),
                               device.hasCapability(Capability::CapabilityPlay), device.getType());
}

bool isLoudspeaker(const SoundServerDevice &device)
{
    return device.isSink
        && (device.formFactor == u"internal"_s || device.formFactor == u"speaker"_s
            || mentionsLoudspeaker(device.description));
}

bool isBuiltInOutput(const SoundServerDevice &device)
{
    static const QStringList worn{u"headset"_s, u"headphone"_s, u"handset"_s, u"hands-free"_s};
    return device.isSink && !device.bus.isEmpty() && device.bus != u"usb"_s && device.bus != u"bluetooth"_s
        && !worn.contains(device.formFactor) && !device.name.contains(u"hdmi"_s, Qt::CaseInsensitive)
        && !device.name.contains(u"iec958"_s, Qt::CaseInsensitive);
}

bool isLoudspeaker(DeviceKind kind, const QString &name)
{
    return kind == DeviceKind::Speaker || mentionsLoudspeaker(name);
}

} // namespace vozel::sip
