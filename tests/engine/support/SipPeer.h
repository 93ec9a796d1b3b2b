#pragma once

#include "TestPbx.h"
#include "engine/CoreSetup.h"

#include <linphone++/account.hh>
#include <linphone++/account_params.hh>
#include <linphone++/address.hh>
#include <linphone++/auth_info.hh>
#include <linphone++/call.hh>
#include <linphone++/core.hh>
#include <linphone++/core_listener.hh>
#include <linphone++/factory.hh>

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <memory>

namespace vozel::test {

// A second liblinphone core in the test process, registered on the test PBX: the remote party
// of the engine's calls. It iterates itself every 10 ms and records what it sees.
class SipPeer {
public:
    SipPeer(const TestPbx &pbx, const QString &extension, const QString &password, const QString &displayName = {})
    {
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
        const auto account = m_core->createAccount(params);
        m_core->addAccount(account);
        m_core->setDefaultAccount(account);
        QObject::connect(&m_iterate, &QTimer::timeout, [this] { m_core->iterate(); });
        m_iterate.start(10);
    }

    ~SipPeer()
    {
        m_iterate.stop();
        m_core->removeListener(m_listener);
        m_core->stop();
    }
    SipPeer(const SipPeer &) = delete;
    SipPeer &operator=(const SipPeer &) = delete;

    enum class Answer { manually, automatically, busy };
    void answerIncoming(Answer answer) { m_answer = answer; }

    bool isRegistered() const { return m_registered; }
    const std::shared_ptr<linphone::Core> &core() const { return m_core; }

    // Of the most recent call, incoming or outgoing.
    linphone::Call::State callState() const { return m_call ? m_call->getState() : linphone::Call::State::Idle; }
    bool hasCall() const { return m_core->getCallsNb() > 0; }
    // The user part of the caller of each incoming call.
    const QStringList &callers() const { return m_callers; }
    // When the last incoming call arrived.
    std::chrono::steady_clock::time_point incomingAt() const { return m_incomingAt; }

    void dial(const QString &target) { m_call = m_core->invite(target.toStdString()); }
    // Nothing without a call: a failed check may leave a scenario without one.
    void accept() { if (m_call) m_call->accept(); }
    void hangUp() { if (m_call) m_call->terminate(); }

private:
    class Listener final : public linphone::CoreListener {
    public:
        explicit Listener(SipPeer &peer) : m_peer(peer) {}

        void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
                                               const std::shared_ptr<linphone::Account> &,
                                               linphone::RegistrationState state, const std::string &) override
        {
            m_peer.m_registered = state == linphone::RegistrationState::Ok;
        }

        void onCallStateChanged(const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::Call> &call,
                                linphone::Call::State state, const std::string &) override
        {
            if (state != linphone::Call::State::IncomingReceived)
                return;
            m_peer.m_call = call;
            m_peer.m_incomingAt = std::chrono::steady_clock::now();
            m_peer.m_callers << QString::fromStdString(call->getRemoteAddress()->getUsername());
            // Answering from inside the event is what a real phone's auto-answer does too.
            if (m_peer.m_answer == Answer::automatically)
                call->accept();
            else if (m_peer.m_answer == Answer::busy)
                call->decline(linphone::Reason::Busy);
        }

    private:
        SipPeer &m_peer;
    };

    QTemporaryDir m_folder;
    std::shared_ptr<linphone::Core> m_core = sip::createCore(m_folder.path());
    std::shared_ptr<Listener> m_listener = std::make_shared<Listener>(*this);
    QTimer m_iterate;
    Answer m_answer = Answer::manually;
    bool m_registered = false;
    std::shared_ptr<linphone::Call> m_call;
    QStringList m_callers;
    std::chrono::steady_clock::time_point m_incomingAt;
};

} // namespace vozel::test
