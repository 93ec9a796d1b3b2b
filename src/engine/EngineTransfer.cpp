// Attended transfer: the current call is held, a consultation call goes to the target, and
// completing hands the held party over to the target.

#include "engine/EngineCore.h"

#include "engine/EngineErrors.h"
#include "engine/EventMapping.h"
#include "engine/SipText.h"
#include "model/domain/VozelError.h"

#include <linphone++/address.hh>
#include <linphone++/factory.hh>

namespace vozel::sip {

using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

void EngineCore::beginAttendedTransfer(const QString &target)
{
    const auto held = m_core ? m_core->getCurrentCall() : nullptr;
    if (target.isEmpty() || !held || !m_configuredAccount)
        throw VozelError::sipUnavailable();
    const QString targetText = callTarget(target, m_configuredAccount->host);
    const auto address = linphone::Factory::get()->createAddress(targetText.toStdString());
    if (!address)
        throw invalidAddress(targetText);
    if (held->pause() != 0)
        throw holdFailed();
    const auto consultation = m_core->inviteAddress(address);
    if (!consultation) {
        held->resume();
        throw VozelError::sipUnavailable();
    }
    m_transferSource = held;
    m_transferConsultation = consultation;
    m_transferConsultationConnected = false;
    reportAttendedTransfer(false);
}

void EngineCore::completeAttendedTransfer()
{
    if (!m_transferSource || !m_transferConsultation)
        throw VozelError::sipUnavailable();
    // The held call is the one handed over: asked the other way round, the REFER would point
    // the held party at the user's own dialog.
    if (m_transferSource->transferToAnother(m_transferConsultation) != 0)
        throw transferNotAccepted();
    m_handedOver = std::exchange(m_transferSource, nullptr);
    m_handedOverConsultation = std::exchange(m_transferConsultation, nullptr);
    forgetTransfer();
    reportAttendedTransfer(false);
}

void EngineCore::transferStateChanged(const std::shared_ptr<linphone::Call> &transferred, CallState state)
{
    if (!m_handedOver || !sameCall(*transferred, *m_handedOver))
        return;
    if (state != CallState::Connected && state != CallState::Error)
        return;
    const auto held = std::exchange(m_handedOver, nullptr);
    const auto consultation = std::exchange(m_handedOverConsultation, nullptr);
    // Connected: the held party now talks to the target and the stack ends both calls.
    if (state == CallState::Connected)
        return;
    // Refused (the REFER, or the held party's call to the target): back to the held party.
    if (callReportFor(consultation->getState()) != CallReport::idle)
        consultation->terminate();
    bringBack(held);
    reportTransferFailed(u"Não foi possível transferir a chamada."_s);
}

bool EngineCore::consultationStateChanged(CallState state, const QString &number)
{
    switch (state) {
    case CallState::Connected:
    case CallState::StreamsRunning:
        m_transferConsultationConnected = true;
        reportAttendedTransfer(true);
        return false;
    case CallState::Error:
    case CallState::End:
    case CallState::Released:
        return endConsultation(number);
    default:
        return false;
    }
}

bool EngineCore::endConsultation(const QString &number)
{
    const bool connected = m_transferConsultationConnected;
    const auto held = m_transferSource;
    const auto consultation = m_transferConsultation;
    if (held)
        bringBack(held);
    forgetTransfer();
    reportAttendedTransfer(false);
    if (!connected)
        reportTransferFailed(u"Ramal ocupado ou indisponível."_s);

    if (!anotherCallGoesOn(*consultation))
        return false;
    // Back to the held party: name them by the call that is current now, else by the call
    // that was held.
    QString resumedNumber = number;
    if (const auto current = m_core->getCurrentCall(); current && current->getRemoteAddress())
        resumedNumber = callNumber(current->getRemoteAddress());
    else if (held && held->getRemoteAddress())
        resumedNumber = callNumber(held->getRemoteAddress());
    reportCall(VozelCallState::connected(resumedNumber));
    return true;
}

void EngineCore::forgetTransfer()
{
    m_transferSource.reset();
    m_transferConsultation.reset();
    m_transferConsultationConnected = false;
}

} // namespace vozel::sip
