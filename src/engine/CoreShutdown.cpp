#include "engine/CoreShutdown.h"

#include <linphone++/account.hh>
#include <linphone++/account_params.hh>

#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace vozel::sip {

using namespace std::chrono_literals;
using linphone::GlobalState;

namespace {

// The stack's stop waits two seconds on the spot for an account it still finds registered;
// unregistering first, from the event loop, leaves it nothing to wait for.
void unregisterAccounts(linphone::Core &core)
{
    for (const auto &account : core.getAccountList()) {
        const auto params = account->getParams()->clone();
        params->enableRegister(false);
        account->setParams(params);
    }
}

bool stillRegistering(linphone::Core &core)
{
    const auto accounts = core.getAccountList();
    return std::any_of(accounts.begin(), accounts.end(), [](const auto &account) {
        const auto state = account->getState();
        return state == linphone::RegistrationState::Ok || state == linphone::RegistrationState::Progress;
    });
}

} // namespace

void shutDownInBackground(std::shared_ptr<linphone::Core> core)
{
    // A core that never got on has nothing to unregister; releasing it is enough.
    if (!core || core->getGlobalState() != GlobalState::On)
        return;
    // Calls end first, while the network is still there for their BYE.
    core->terminateAllCalls();
    unregisterAccounts(*core);
    // A registrar that does not answer gets two seconds to confirm, as the stack would give it.
    const QDeadlineTimer unregistering(2s);
    const QDeadlineTimer deadline(6s);
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, core = std::move(core), unregistering, deadline] {
        core->iterate();
        const GlobalState state = core->getGlobalState();
        if (state == GlobalState::On && (!stillRegistering(*core) || unregistering.hasExpired())) {
            // Whatever is still registered now stays so: taken off the network, the core
            // does not try again inside stop.
            core->setNetworkReachable(false);
            core->stopAsync();
        } else if (state == GlobalState::Off || deadline.hasExpired()) {
            timer->stop();
            // The core goes with the timer's connection.
            timer->deleteLater();
        }
    });
    timer->start(20ms);
}

} // namespace vozel::sip
