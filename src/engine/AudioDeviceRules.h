#pragma once

// How sound devices read for the user, and which of them is the computer's loudspeaker.

#include "engine/SoundServerWatch.h"
#include "model/domain/VozelAudioDevice.h"

#include <linphone++/audio_device.hh>

#include <QString>

namespace vozel::sip {

using DeviceKind = linphone::AudioDevice::Type;

// A device without a description shows its name; its id is the server's unique name, so two
// identical headsets stay apart. USB is told by the bus, or by the description.
VozelAudioDevice describeAudioDevice(const SoundServerDevice &device);

// The stack's own view, for a computer without a sound server: through ALSA the stack knows
// the kind of few devices, so a USB headset is told by its name.
VozelAudioDevice describeAudioDevice(const QString &id, const QString &name, bool canRecord, bool canPlay,
                                     DeviceKind kind);
VozelAudioDevice describeAudioDevice(const linphone::AudioDevice &device);

// A sink the server calls the computer's own speakers, or whose description says so in English
// or Portuguese.
bool isLoudspeaker(const SoundServerDevice &device);
// Failing that, an analog output of a card built into the computer (neither USB nor Bluetooth,
// not a headset, not a screen's HDMI).
bool isBuiltInOutput(const SoundServerDevice &device);
// The same test for the stack's own devices.
bool isLoudspeaker(DeviceKind kind, const QString &name);

} // namespace vozel::sip
