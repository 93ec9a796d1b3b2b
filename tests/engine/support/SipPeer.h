#pragma once

#include <linphone++/call.hh>
#include <linphone++/core.hh>
#include <linphone++/core_listener.hh>

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <memory>

namespace vozel::test {

class TestPbx;

// A second liblinphone core in the test process, registered on the test PBX: the remote party
// of the engine's calls. It iterates itself every 10 ms and records what it sees.
class SipPeer {
public:
    SipPeer(const TestPbx &pbx, const QString &extension, const QString &password,
            const QString &displayName = {});
    ~SipPeer();
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

    std::shared_ptr<linphone::Call> dial(const QString &target);
    void accept();
    void hangUp();

private:
    class Listener;
    friend class Listener;

    QTemporaryDir m_folder;
    std::shared_ptr<linphone::Core> m_core;
    std::shared_ptr<Listener> m_listener;
    QTimer m_iterate;
    Answer m_answer = Answer::manually;
    bool m_registered = false;
    std::shared_ptr<linphone::Call> m_call;
    QStringList m_callers;
    std::chrono::steady_clock::time_point m_incomingAt;
};

} // namespace vozel::test
