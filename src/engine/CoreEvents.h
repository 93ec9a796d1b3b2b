#pragma once

#include <linphone++/core_listener.hh>

#include <memory>

namespace vozel::sip {

class EngineCore;

// The engine's listener on its core. It holds the engine weakly and hands every event over
// to it (EngineCore::post); once the engine is gone the events fall on the floor.
class CoreEvents final : public linphone::CoreListener {
public:
    explicit CoreEvents(std::weak_ptr<EngineCore> engine);

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &core,
                                           const std::shared_ptr<linphone::Account> &account,
                                           linphone::RegistrationState state, const std::string &message) override;
    void onCallStateChanged(const std::shared_ptr<linphone::Core> &core, const std::shared_ptr<linphone::Call> &call,
                            linphone::Call::State state, const std::string &message) override;
    void onTransferStateChanged(const std::shared_ptr<linphone::Core> &core,
                                const std::shared_ptr<linphone::Call> &transferred, linphone::Call::State state) override;
    void onAudioDevicesListUpdated(const std::shared_ptr<linphone::Core> &core) override;
    void onCallLogUpdated(const std::shared_ptr<linphone::Core> &core,
                          const std::shared_ptr<linphone::CallLog> &callLog) override;

private:
    std::weak_ptr<EngineCore> m_engine;
};

} // namespace vozel::sip
