// Call waiting as on a desk phone: a second call rings while a call is up, without touching
// it. Answering holds the current call and takes the new one; when that one ends the held call
// comes back. At most one call waits, and only behind a call that is up: any other incoming
// call is refused as busy at once.

#include "engine/EngineCore.h"

#include "engine/EngineErrors.h"
#include "engine/EventMapping.h"

namespace vozel::sip {

using CallState = linphone::Call::State;

bool EngineCore::callWaitingStateChanged(const std::shared_ptr<linphone::Call> &call, CallState state,
                                         const QString &number)
{
    const CallReport report = callReportFor(state);
    if (m_waitingCall && sameCall(*call, *m_waitingCall)) {
        // While it waits, only its caller giving up is news; the call on screen goes on.
        if (report == CallReport::idle) {
            m_waitingCall.reset();
            reportWaitingCall(std::nullopt);
        }
        return true;
    }
    if (report == CallReport::incoming && !liveCallsBesides(*call).empty()) {
        waitOrRefuse(call, number);
        return true;
    }
    if (report != CallReport::idle)
        return false;
    if (m_answeredWaiting && sameCall(*call, *m_answeredWaiting))
        return returnToHeldCall();
    if (m_heldForWaiting && sameCall(*call, *m_heldForWaiting))
        m_heldForWaiting.reset();
    // The call it waited behind is over: the waiting call now rings as the one call.
    if (m_waitingCall && liveCallsBesides(*call).size() == 1) {
        m_callReportedActive = false;
        reportCall(VozelCallState::idle());
        promoteWaitingCall();
        return true;
    }
    return false;
}

void EngineCore::waitOrRefuse(const std::shared_ptr<linphone::Call> &call, const QString &number)
{
    const auto others = liveCallsBesides(*call);
    if (others.size() != 1 || !isEstablished(others.front()->getState())) {
        // 486 lets the PBX send the caller to voicemail.
        call->decline(linphone::Reason::Busy);
        return;
    }
    m_waitingCall = call;
    m_remoteDisplayName = displayName(call->getRemoteAddress());
    reportWaitingCall(number);
}

void EngineCore::answerWaitingCall()
{
    const auto others = liveCallsBesides(*m_waitingCall);
    const auto current = others.empty() ? nullptr : others.front();
    const bool holding = current && current->getState() == CallState::StreamsRunning;
    if (holding && current->pause() != 0)
        throw holdFailed();
    if (m_waitingCall->accept() != 0) {
        if (holding)
            current->resume();
        throw answerFailed();
    }
    m_heldForWaiting = current;
    m_answeredWaiting = std::exchange(m_waitingCall, nullptr);
}

void EngineCore::declineWaitingCall()
{
    if (const auto waiting = std::exchange(m_waitingCall, nullptr))
        waiting->decline(linphone::Reason::Busy);
}

bool EngineCore::returnToHeldCall()
{
    m_answeredWaiting.reset();
    const auto held = std::exchange(m_heldForWaiting, nullptr);
    if (!held || callReportFor(held->getState()) == CallReport::idle)
        return false;
    bringBack(held);
    reportHeldCallResumed(callNumber(held->getRemoteAddress()));
    return true;
}

void EngineCore::promoteWaitingCall()
{
    const auto waiting = std::exchange(m_waitingCall, nullptr);
    if (!waiting)
        return;
    m_callReportedActive = true;
    reportCall(VozelCallState::incoming(callNumber(waiting->getRemoteAddress())));
}

void EngineCore::forgetCalls()
{
    forgetTransfer();
    m_handedOver.reset();
    m_handedOverConsultation.reset();
    m_bringingBack.reset();
    m_heldForWaiting.reset();
    m_answeredWaiting.reset();
    if (std::exchange(m_waitingCall, nullptr))
        reportWaitingCall(std::nullopt);
}

} // namespace vozel::sip
