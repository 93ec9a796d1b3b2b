#pragma once

#include <QAudioDevice>
#include <QObject>
#include <QSoundEffect>

#include <memory>

namespace vozel {

// The looping chime of an incoming call. When the sound cannot be played (no audio
// output, unreadable file) the desktop's beep sounds once instead.
class RingTone : public QObject {
    Q_OBJECT

public:
    explicit RingTone(QObject *parent = nullptr);

    // The output to ring on, by its description; when empty, or when no such output is
    // present at the time of a call, the desktop's default output.
    void setOutputName(const QString &name) { m_outputName = name; }

    // Does nothing while already ringing.
    void start();
    void stop();

    bool isRinging() const { return m_ringing; }
    // The chime is actually being played (false while ringing on the beep fallback).
    bool isAudible() const { return m_effect && m_effect->isPlaying(); }

private:
    void soundStatusChanged();
    void fallBackToBeep();
    QAudioDevice chosenOutput() const;
    std::unique_ptr<QSoundEffect> makeEffect(const QAudioDevice &output);

    // Made for the output of the first call, and again whenever a call rings on another one.
    std::unique_ptr<QSoundEffect> m_effect;
    QString m_outputName;
    bool m_ringing = false;
    bool m_beeped = false;
};

} // namespace vozel
