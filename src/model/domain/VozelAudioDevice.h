#pragma once

#include <QMetaType>
#include <QString>

namespace vozel {

// One sound device as the user sees it.
struct VozelAudioDevice {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(bool canRecord MEMBER canRecord)
    Q_PROPERTY(bool canPlay MEMBER canPlay)
    Q_PROPERTY(bool isUSB MEMBER isUSB)
    Q_PROPERTY(QString label READ label)

public:
    QString id;
    QString name;
    bool canRecord = false;
    bool canPlay = false;
    bool isUSB = false;

    // The text of the audio pickers: a USB device says so after its name.
    QString label() const { return isUSB ? name + QStringLiteral(" · USB") : name; }

    friend bool operator==(const VozelAudioDevice &, const VozelAudioDevice &) = default;
};

// The role a device is chosen for.
enum class VozelAudioRoute { microphone = 0, callOutput = 1, ringer = 2 };

} // namespace vozel
