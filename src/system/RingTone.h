#pragma once

#include <QObject>
#include <QSoundEffect>

namespace vozel {

// The looping chime of an incoming call. When the sound cannot be played (no audio
// output, unreadable file) the desktop's beep sounds once instead.
class RingTone : public QObject {
    Q_OBJECT

public:
    explicit RingTone(QObject *parent = nullptr);

    // Does nothing while already ringing.
    void start();
    void stop();

    bool isRinging() const { return m_ringing; }
    // The chime is actually being played (false while ringing on the beep fallback).
    bool isAudible() const { return m_effect.isPlaying(); }

private:
    void soundStatusChanged();
    void fallBackToBeep();

    QSoundEffect m_effect;
    bool m_ringing = false;
    bool m_beeped = false;
};

} // namespace vozel
