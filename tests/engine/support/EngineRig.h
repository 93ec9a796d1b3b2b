#pragma once

#include "BaresipPeer.h"
#include "EngineFixture.h"
#include "EngineRecorder.h"
#include "SipPeer.h"
#include "TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <linphone++/core.hh>

namespace vozel::test {

// The engine as 2001 on a test PBX of its own, with a recorder of its reports and the peers
// the test adds (these go first when the rig goes).
class EngineRig {
public:
    TestPbx pbx{pbxExtensions};
    QTemporaryDir data;
    PJSIPEngine engine{testEnvironment(pbx, data)};
    EngineRecorder recorder{engine};

    ~EngineRig()
    {
        m_peers.clear();
        m_baresips.clear();
    }

    linphone::Core &core() { return *engine.implementation().core(); }
    int calls() { return core().getCallsNb(); }

    SipPeer &addPeer(const QString &extension, const QString &displayName = {})
    {
        m_peers.push_back(std::make_unique<SipPeer>(pbx, extension, u"senha-"_s + extension, displayName));
        return *m_peers.back();
    }

    BaresipPeer &addBaresip(const QString &extension)
    {
        m_baresips.push_back(std::make_unique<BaresipPeer>(pbx, extension, u"senha-"_s + extension));
        return *m_baresips.back();
    }

    // Starts the engine and waits until it and every peer are registered.
    void start()
    {
        QVERIFY2(pbx.isRunning(), qPrintable(pbx.log()));
        QCOMPARE(failureOf([&] { engine.start(accountOn(pbx)); }), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.contains(u"registration connected"_s), 5000);
        for (const auto &peer : m_peers)
            QTRY_VERIFY_WITH_TIMEOUT(peer->isRegistered(), 5000);
        for (const auto &peer : m_baresips)
            QTRY_VERIFY2_WITH_TIMEOUT(peer->isRegistered(), qPrintable(peer->log()), 5000);
    }

    // The peer calls 2001 and the engine answers; returns once both talk.
    void answerCallFrom(SipPeer &peer, const QString &extension)
    {
        peer.dial(u"sip:2001@127.0.0.1"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call incoming "_s + extension, 5000);
        engine.answer();
        QTRY_COMPARE_WITH_TIMEOUT(peer.callState(), linphone::Call::State::StreamsRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.last(), u"call connected "_s + extension, 5000);
    }

    // Ends every call, puts the peers back to answering by hand and waits until nobody has a call.
    void hangUpAll()
    {
        for (const auto &peer : m_peers) {
            peer->answerIncoming(SipPeer::Answer::manually);
            for (const auto &call : peer->core()->getCalls())
                call->terminate();
        }
        for (const auto &peer : m_baresips)
            peer->hangUp();
        const auto quiet = [this] {
            const auto busy = [](const auto &peer) { return peer->hasCall(); };
            return calls() == 0 && std::none_of(m_peers.begin(), m_peers.end(), busy);
        };
        QTRY_VERIFY_WITH_TIMEOUT(quiet(), 5000);
        QTest::qWait(100);
    }

private:
    std::vector<std::unique_ptr<SipPeer>> m_peers;
    std::vector<std::unique_ptr<BaresipPeer>> m_baresips;
};

} // namespace vozel::test
