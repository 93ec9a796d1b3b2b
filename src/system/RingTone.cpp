#include "system/RingTone.h"

#include <QApplication>
#include <QMediaDevices>

using namespace Qt::StringLiterals;

namespace vozel {

RingTone::RingTone(QObject *parent) : QObject(parent) {}

void RingTone::start()
{
    if (m_ringing)
        return;
    m_ringing = true;
    m_beeped = false;
    if (QMediaDevices::audioOutputs().isEmpty()) {
        fallBackToBeep();
        return;
    }
    // Outputs and the default may have changed since the last call, and an effect plays on
    // the output it was loaded for.
    const QAudioDevice output = chosenOutput();
    if (!m_effect || m_effect->audioDevice() != output)
        m_effect = makeEffect(output);
    if (m_effect->status() == QSoundEffect::Error) {
        fallBackToBeep();
        return;
    }
    // While the file is still loading, play() takes effect once it is ready.
    m_effect->play();
}

std::unique_ptr<QSoundEffect> RingTone::makeEffect(const QAudioDevice &output)
{
    auto effect = std::make_unique<QSoundEffect>(output);
    effect->setLoopCount(QSoundEffect::Infinite);
    // Written at build time by chime/ChimeWriter.cpp.
    effect->setSource(QUrl(u"qrc:/Vozel/System/sounds/chime.wav"_s));
    connect(effect.get(), &QSoundEffect::statusChanged, this, &RingTone::soundStatusChanged);
    return effect;
}

QAudioDevice RingTone::chosenOutput() const
{
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const auto chosen = std::find_if(outputs.cbegin(), outputs.cend(), [this](const QAudioDevice &output) {
        return !m_outputName.isEmpty() && output.description() == m_outputName;
    });
    return chosen != outputs.cend() ? *chosen : QMediaDevices::defaultAudioOutput();
}

void RingTone::stop()
{
    m_ringing = false;
    if (m_effect)
        m_effect->stop();
}

void RingTone::soundStatusChanged()
{
    if (m_ringing && m_effect->status() == QSoundEffect::Error)
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
