#pragma once

#include <QString>

namespace vozel {

// One sound device as the user sees it.
struct VozelAudioDevice {
    QString id;
    QString name;
    bool canRecord = false;
    bool canPlay = false;
    bool isUSB = false;

    friend bool operator==(const VozelAudioDevice &, const VozelAudioDevice &) = default;
};

// The role a device is chosen for.
enum class VozelAudioRoute { microphone = 0, callOutput = 1, ringer = 2 };

} // namespace vozel
