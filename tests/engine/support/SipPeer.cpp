#include "SipPeer.h"

#include "TestPbx.h"
#include "engine/CoreSetup.h"

#include <linphone++/account.hh>
#include <linphone++/account_params.hh>
#include <linphone++/address.hh>
#include <linphone++/auth_info.hh>
#include <linphone++/factory.hh>

namespace vozel::test {

using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

class SipPeer::Listener final : public linphone::CoreListener {
public:
    explicit Listener(SipPeer &peer) : m_peer(peer) {}

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
                                           const std::shared_ptr<linphone::Account> &,
                                           linphone::RegistrationState state, const std::string &) override
    {
        m_peer.m_registered = state == linphone::RegistrationState::Ok;
    }

    void onCallStateChanged(const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::Call> &call,
                            CallState state, const std::string &) override
    {
        if (state == CallState::IncomingReceived) {
            m_peer.m_call = call;
            m_peer.m_incomingAt = std::chrono::steady_clock::now();
            m_peer.m_callers << QString::fromStdString(call->getRemoteAddress()->getUsername());
            // Answering from inside the event is what a real phone's auto-answer does too.
            if (m_peer.m_answer == Answer::automatically)
                call->accept();
            else if (m_peer.m_answer == Answer::busy)
                call->decline(linphone::Reason::Busy);
        }
    }

private:
    SipPeer &m_peer;
};

SipPeer::SipPeer(const TestPbx &pbx, const QString &extension, const QString &password, const QString &displayName)
{
    m_core = sip::createCore(m_folder.path());
    m_listener = std::make_shared<Listener>(*this);
    m_core->addListener(m_listener);
    m_core->start();

    const auto factory = linphone::Factory::get();
    const std::string user = extension.toStdString();
    m_core->addAuthInfo(factory->createAuthInfo(user, user, password.toStdString(), "", "", ""));
    const auto params = m_core->createAccountParams();
    const auto identity = factory->createAddress(("sip:"_L1 + extension + u'@' + pbx.host()).toStdString());
    identity->setDisplayName(displayName.toStdString());
    params->setIdentityAddress(identity);
    params->setServerAddress(factory->createAddress(
        ("sip:"_L1 + pbx.host() + u':' + QString::number(pbx.port()) + ";transport=udp"_L1).toStdString()));
    params->enableRegister(true);
    params->setExpires(600);
    const auto account = m_core->createAccount(params);
    m_core->addAccount(account);
    m_core->setDefaultAccount(account);

    m_iterate.setInterval(10);
    QObject::connect(&m_iterate, &QTimer::timeout, [this] { m_core->iterate(); });
    m_iterate.start();
}

SipPeer::~SipPeer()
{
    m_iterate.stop();
    m_core->removeListener(m_listener);
    m_core->stop();
}

std::shared_ptr<linphone::Call> SipPeer::dial(const QString &target)
{
    m_call = m_core->invite(target.toStdString());
    return m_call;
}

void SipPeer::accept()
{
    if (m_call)
        m_call->accept();
}

void SipPeer::hangUp()
{
    if (m_call)
        m_call->terminate();
}

} // namespace vozel::test
