#pragma once

// How the stack's sound devices read for the user, and which of them is a loudspeaker.

#include "model/domain/VozelAudioDevice.h"

#include <linphone++/audio_device.hh>

#include <QString>

namespace vozel::sip {

using DeviceKind = linphone::AudioDevice::Type;

// A device without a name shows its id. Through PulseAudio or PipeWire every device is of the
// unknown kind, so a USB headset is told by its name.
VozelAudioDevice describeAudioDevice(const QString &id, const QString &name, bool canRecord, bool canPlay,
                                     DeviceKind kind);
VozelAudioDevice describeAudioDevice(const linphone::AudioDevice &device);

// A device of the speaker kind, or one whose name says so in English or Portuguese.
bool isLoudspeaker(DeviceKind kind, const QString &name);

} // namespace vozel::sip
