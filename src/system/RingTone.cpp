#include "system/RingTone.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>

using namespace Qt::StringLiterals;

namespace vozel {

RingTone::RingTone(QObject *parent) : QObject(parent)
{
    m_effect.setLoopCount(QSoundEffect::Infinite);
    // Written at build time by chime/ChimeWriter.cpp.
    m_effect.setSource(QUrl(u"qrc:/Vozel/System/sounds/chime.wav"_s));
    connect(&m_effect, &QSoundEffect::statusChanged, this, &RingTone::soundStatusChanged);
}

void RingTone::start()
{
    if (m_ringing)
        return;
    m_ringing = true;
    m_beeped = false;
    if (QMediaDevices::audioOutputs().isEmpty() || m_effect.status() == QSoundEffect::Error) {
        fallBackToBeep();
        return;
    }
    // The desktop's default output may have changed since the last call.
    m_effect.setAudioDevice(QMediaDevices::defaultAudioOutput());
    // While the file is still loading, play() takes effect once it is ready.
    m_effect.play();
}

void RingTone::stop()
{
    m_ringing = false;
    m_effect.stop();
}

void RingTone::soundStatusChanged()
{
    if (m_ringing && m_effect.status() == QSoundEffect::Error)
        fallBackToBeep();
}

void RingTone::fallBackToBeep()
{
    if (m_beeped)
        return;
    m_beeped = true;
    QApplication::beep();
}

} // namespace vozel
