#include "engine/CoreEvents.h"

#include "engine/EngineCore.h"

namespace vozel::sip {

CoreEvents::CoreEvents(std::weak_ptr<EngineCore> engine) : m_engine(std::move(engine)) {}

void CoreEvents::onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
                                                   const std::shared_ptr<linphone::Account> &,
                                                   linphone::RegistrationState state, const std::string &message)
{
    if (const auto engine = m_engine.lock())
        engine->post([state, message](EngineCore &e) { e.registrationChanged(state, message); });
}

void CoreEvents::onCallStateChanged(const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::Call> &call,
                                    linphone::Call::State state, const std::string &)
{
    if (const auto engine = m_engine.lock())
        engine->post([call, state](EngineCore &e) { e.callStateChanged(call, state); });
}

void CoreEvents::onTransferStateChanged(const std::shared_ptr<linphone::Core> &,
                                        const std::shared_ptr<linphone::Call> &transferred, linphone::Call::State state)
{
    if (const auto engine = m_engine.lock())
        engine->post([transferred, state](EngineCore &e) { e.transferStateChanged(transferred, state); });
}

void CoreEvents::onAudioDevicesListUpdated(const std::shared_ptr<linphone::Core> &)
{
    if (const auto engine = m_engine.lock())
        engine->post([](EngineCore &e) { e.audioDevicesUpdated(); });
}

// The application keeps its own history. The stack's copy of every finished call, in memory
// and in its database, would otherwise grow for as long as the application runs, and its
// scattered small records keep freed memory from going back to the system.
void CoreEvents::onCallLogUpdated(const std::shared_ptr<linphone::Core> &core, const std::shared_ptr<linphone::CallLog> &)
{
    if (const auto engine = m_engine.lock())
        engine->post([core](EngineCore &) { core->clearCallLogs(); });
}

} // namespace vozel::sip
