#include "model/VozelModel.h"

#include "model/DialString.h"

#include <QPointer>
#include <QTimer>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

const QString identifyingOrigin = u"Identificando origem…"_s;
const QString originUnknown = u"Origem não identificada"_s;

} // namespace

void VozelModel::append(const QString &key)
{
    if (m_callState.kind == VozelCallState::Kind::Connected) {
        if (!DialString::toneOf(key))
            return;
        try {
            m_services.engine->sendDTMF(key);
        } catch (const Failure &) {
            setErrorMessage(u"Não foi possível enviar o tom para a URA."_s);
        }
        return;
    }
    setNumber(DialString::withKey(m_number, key, numberLimit));
}

void VozelModel::deleteDigit()
{
    setNumber(DialString::withoutLastCharacter(m_number));
}

void VozelModel::pasteNumber(const QString &text)
{
    setNumber(DialString::dialablePart(text, numberLimit));
}

void VozelModel::call()
{
    if (m_changingAccount)
        return;
    const QString number = m_number;
    const quint64 endsBefore = m_callEnds;
    try {
        m_services.engine->call(number);
    } catch (const Failure &error) {
        setErrorMessage(error.description());
        return;
    }
    // A call that already ended while it was being placed must not come back as dialing.
    if (m_callEnds != endsBefore)
        return;
    updateCallState(VozelCallState::dialing(number));
}

void VozelModel::callOrHangUp()
{
    if (!m_callState.isIdle()) {
        m_services.engine->endCall();
        return;
    }
    if (m_number.isEmpty() || m_registration.kind != RegistrationState::Kind::Connected)
        return;
    QTimer::singleShot(0, this, [this] { call(); });
}

void VozelModel::endCall()
{
    m_services.engine->endCall();
}

void VozelModel::answerIncomingCall()
{
    try {
        m_services.engine->answer();
    } catch (const Failure &error) {
        setErrorMessage(error.description());
        return;
    }
    // The engine held the call on screen to take the waiting one: they swap places.
    if (m_waitingCall) {
        m_heldCall = takeCurrentCall();
        makeCurrent(*std::exchange(m_waitingCall, std::nullopt));
    }
    m_services.systemCalls->reportAnswered();
}

void VozelModel::declineIncomingCall()
{
    if (!m_waitingCall) {
        m_services.engine->endCall();
        return;
    }
    m_services.engine->declineWaitingCall();
    dropOtherCall(m_waitingCall);
    m_services.systemCalls->reportWaitingCallEnded();
}

void VozelModel::toggleMute()
{
    const bool wanted = !m_muted;
    if (!m_services.engine->setMuted(wanted)) {
        setErrorMessage(u"Microfone indisponível."_s);
        return;
    }
    setMuted(wanted);
}

void VozelModel::toggleSpeaker()
{
    const bool wanted = !m_speakerEnabled;
    if (!m_services.engine->setSpeakerEnabled(wanted)) {
        setErrorMessage(u"Alto-falante indisponível."_s);
        return;
    }
    setSpeakerEnabled(wanted);
}

bool VozelModel::beginAttendedTransfer(const QString &target)
{
    try {
        m_services.engine->beginAttendedTransfer(target);
    } catch (const Failure &error) {
        setErrorMessage(error.description());
        return false;
    }
    return true;
}

void VozelModel::completeAttendedTransfer()
{
    try {
        m_services.engine->completeAttendedTransfer();
    } catch (const Failure &error) {
        setErrorMessage(error.description());
    }
}

void VozelModel::updateCallState(const VozelCallState &state)
{
    const VozelCallState previous = m_callState;
    setCallState(state);
    switch (state.kind) {
    case VozelCallState::Kind::Dialing:
        setCallSourceLabel(QString());
        if (!m_activeHistoryID)
            createHistoryRow(state.number, CallHistoryItem::Direction::outgoing);
        break;
    case VozelCallState::Kind::Incoming:
        handleIncoming(state.number);
        break;
    case VozelCallState::Kind::Connected:
        m_services.systemCalls->reportAnswered();
        break;
    case VozelCallState::Kind::Idle:
        ++m_callEnds;
        cancelOriginLookup();
        dropOtherCall(m_heldCall);
        resetPerCallFields();
        if (previous.isIdle()) {
            m_services.systemCalls->reportEnded();
            break;
        }
        setNumber(QString());
        m_services.systemCalls->reportEnded();
        m_activeHistoryID.reset();
        saveHistory();
        break;
    }
}

void VozelModel::handleIncoming(const QString &number)
{
    // The call it waited behind ended: the waiting call rings on as the one call.
    if (m_waitingCall && m_waitingCall->number == number) {
        makeCurrent(*std::exchange(m_waitingCall, std::nullopt));
        m_services.systemCalls->reportIncoming(number);
        m_services.systemCalls->updateIncomingIdentity(number, m_incomingCallerName, m_callSourceLabel);
        return;
    }
    // A repeated report of the same call keeps the origin its lookup may already have found.
    const bool repeated = m_activeHistoryID.has_value();
    setIncomingCallerName(m_services.engine->remoteDisplayName().value_or(QString()));
    if (!repeated)
        setCallSourceLabel(identifyingOrigin);
    m_services.systemCalls->reportIncoming(number);
    m_services.systemCalls->updateIncomingIdentity(number, m_incomingCallerName, m_callSourceLabel);
    if (repeated)
        return;
    createHistoryRow(number, CallHistoryItem::Direction::incoming);
    cancelOriginLookup();
    m_originLookup = startOriginLookup(number, *m_activeHistoryID);
}

void VozelModel::waitingCallChanged(const std::optional<QString> &number)
{
    dropOtherCall(m_waitingCall);
    if (!number) {
        m_services.systemCalls->reportWaitingCallEnded();
        return;
    }
    const QString callerName = m_services.engine->remoteDisplayName().value_or(QString());
    const QUuid rowID = addHistoryRow(*number, CallHistoryItem::Direction::incoming);
    m_waitingCall = OtherCall{*number, callerName, identifyingOrigin, rowID, std::nullopt};
    m_services.systemCalls->reportWaitingCall(*number);
    m_services.systemCalls->updateIncomingIdentity(*number, callerName, identifyingOrigin);
    m_waitingCall->originLookup = startOriginLookup(*number, rowID);
}

void VozelModel::heldCallResumed(const QString &number)
{
    if (m_heldCall) {
        cancelOriginLookup();
        makeCurrent(*std::exchange(m_heldCall, std::nullopt));
    }
    setCallState(VozelCallState::connected(number));
    saveHistory();
}

VozelModel::OtherCall VozelModel::takeCurrentCall()
{
    return {m_callState.number, m_incomingCallerName, m_callSourceLabel, m_activeHistoryID,
            std::exchange(m_originLookup, std::nullopt), m_muted};
}

void VozelModel::makeCurrent(OtherCall call)
{
    setIncomingCallerName(call.callerName);
    setCallSourceLabel(call.sourceLabel);
    m_activeHistoryID = call.historyID;
    m_originLookup = std::move(call.originLookup);
    setMuted(call.muted);
}

void VozelModel::dropOtherCall(std::optional<OtherCall> &call)
{
    if (call && call->originLookup)
        call->originLookup->cancel();
    call.reset();
}

std::optional<CancellationToken> VozelModel::startOriginLookup(const QString &number, const QUuid &rowID)
{
    if (!m_account)
        return std::nullopt;
    CancellationToken cancellation;
    lookUpOrigin(*m_accountCollection.active(), number, rowID, cancellation);
    return cancellation;
}

QCoro::Task<> VozelModel::lookUpOrigin(SavedSIPAccount account, QString number, QUuid rowID,
                                       CancellationToken cancellation)
{
    QPointer<VozelModel> self(this);
    const std::optional<QString> label =
        co_await m_services.originLookup->resolve(account, number, cancellation);
    if (!self || cancellation.isCancelled())
        co_return;
    const QString shown = label.value_or(originUnknown);
    if (m_waitingCall && m_waitingCall->historyID == rowID) {
        m_waitingCall->sourceLabel = shown;
        m_services.systemCalls->updateIncomingIdentity(number, m_waitingCall->callerName, shown);
    } else if (m_heldCall && m_heldCall->historyID == rowID) {
        m_heldCall->sourceLabel = shown;
    } else if (m_activeHistoryID == rowID && !m_callState.isIdle()) {
        setCallSourceLabel(shown);
        // The panel names the waiting caller while there is one.
        if (!m_waitingCall)
            m_services.systemCalls->updateIncomingIdentity(number, m_incomingCallerName, m_callSourceLabel);
    } else {
        co_return;
    }
    if (label)
        setOriginLabel(rowID, *label);
}

void VozelModel::cancelOriginLookup()
{
    if (m_originLookup)
        m_originLookup->cancel();
    m_originLookup.reset();
}

void VozelModel::resetPerCallFields()
{
    setCallSourceLabel(QString());
    setIncomingCallerName(QString());
    setSpeakerEnabled(false);
    setMuted(false);
    setAttendedTransferReady(false);
}

void VozelModel::setCallState(const VozelCallState &state)
{
    if (m_callState.kind == state.kind && m_callState.number == state.number)
        return;
    const bool wasIdle = m_callState.isIdle();
    m_callState = state;
    emit callStateChanged();
    if (wasIdle != state.isIdle())
        emit canChangeAccountChanged();
}

void VozelModel::setCallSourceLabel(const QString &label)
{
    if (m_callSourceLabel == label)
        return;
    m_callSourceLabel = label;
    emit callSourceLabelChanged();
}

void VozelModel::setIncomingCallerName(const QString &name)
{
    if (m_incomingCallerName == name)
        return;
    m_incomingCallerName = name;
    emit incomingCallerNameChanged();
}

void VozelModel::setSpeakerEnabled(bool enabled)
{
    if (m_speakerEnabled == enabled)
        return;
    m_speakerEnabled = enabled;
    emit speakerEnabledChanged();
}

void VozelModel::setMuted(bool muted)
{
    if (m_muted == muted)
        return;
    m_muted = muted;
    emit mutedChanged();
}

void VozelModel::setAttendedTransferReady(bool ready)
{
    if (m_attendedTransferReady == ready)
        return;
    m_attendedTransferReady = ready;
    emit attendedTransferReadyChanged();
}

} // namespace vozel
