#include "engine/PJSIPEngine.h"

#include "engine/EngineCore.h"

namespace vozel {

PJSIPEngine::PJSIPEngine() : PJSIPEngine(EngineEnvironment::standard()) {}

PJSIPEngine::PJSIPEngine(EngineEnvironment environment)
    : d(std::make_shared<sip::EngineCore>(*this, std::move(environment)))
{
}

PJSIPEngine::~PJSIPEngine()
{
    d->detach();
}

std::optional<QString> PJSIPEngine::remoteDisplayName() const
{
    return d->remoteDisplayName();
}

void PJSIPEngine::start(const SIPAccount &account)
{
    d->start(account);
}

void PJSIPEngine::stop()
{
    d->stop();
}

void PJSIPEngine::call(const QString &number)
{
    d->call(number);
}

void PJSIPEngine::answer()
{
    d->answer();
}

void PJSIPEngine::declineWaitingCall()
{
    d->declineWaitingCall();
}

void PJSIPEngine::endCall()
{
    d->endCall();
}

void PJSIPEngine::sendDTMF(const QString &digit)
{
    d->sendDTMF(digit);
}

bool PJSIPEngine::setMuted(bool muted)
{
    return d->setMuted(muted);
}

void PJSIPEngine::setAudioSessionActive(bool active)
{
    d->setAudioSessionActive(active);
}

void PJSIPEngine::beginAttendedTransfer(const QString &target)
{
    d->beginAttendedTransfer(target);
}

void PJSIPEngine::completeAttendedTransfer()
{
    d->completeAttendedTransfer();
}

QList<VozelAudioDevice> PJSIPEngine::audioDevices() const
{
    return d->audioDevices();
}

void PJSIPEngine::selectAudioDevice(const QString &id, VozelAudioRoute route)
{
    d->selectAudioDevice(id, route);
}

bool PJSIPEngine::setSpeakerEnabled(bool enabled)
{
    return d->setSpeakerEnabled(enabled);
}

} // namespace vozel
