#pragma once

#include "BaresipPeer.h"
#include "EngineFixture.h"
#include "SipPeer.h"
#include "TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <linphone++/core.hh>

#include <QDBusConnection>

namespace vozel::test {

// Writes down each report of an engine, in order, as text: "registration failed: Unauthorized",
// "call dialing 2002", "transfer ready", "transfer failed: …", "devices", "waiting none"…
class EngineRecorder {
public:
    QStringList reports;

    explicit EngineRecorder(SIPEngine &engine)
    {
        engine.onRegistrationChanged = [this](const RegistrationState &state) {
            static const char *const kinds[] = {"notConfigured", "disabled", "connecting", "connected", "failed"};
            reports << u"registration "_s + QLatin1String(kinds[int(state.kind)])
                    + (state.kind == RegistrationState::Kind::Failed ? u": "_s + state.message : QString());
        };
        engine.onCallChanged = [this](const VozelCallState &state) {
            static const char *const kinds[] = {"idle", "incoming", "dialing", "connected"};
            reports << u"call "_s + QLatin1String(kinds[int(state.kind)]) + (state.isIdle() ? QString() : u' ' + state.number);
        };
        engine.onAttendedTransferChanged = [this](bool ready) { reports << (ready ? u"transfer ready"_s : u"transfer not ready"_s); };
        engine.onTransferFailed = [this](const QString &message) { reports << u"transfer failed: "_s + message; };
        engine.onAudioDevicesChanged = [this] { reports << u"devices"_s; };
        engine.onWaitingCallChanged = [this](const std::optional<QString> &number) {
            reports << u"waiting "_s + number.value_or(u"none"_s);
        };
        engine.onHeldCallResumed = [this](const QString &number) { reports << u"held call back "_s + number; };
    }

    QStringList since(qsizetype from) const { return reports.mid(from); }
    QString last() const { return reports.isEmpty() ? QString() : reports.last(); }
    bool contains(const QString &report) const { return reports.contains(report); }
};

// The engine as 2001 on a test PBX of its own, with a recorder and the peers the test adds (which
// go first). The session bus stands in for the system bus, so a test can announce a suspend.
class EngineRig {
public:
    TestPbx pbx{pbxExtensions};
    QTemporaryDir data;
    PJSIPEngine engine{{pbx.stunServer(), QDBusConnection::sessionBus(), data.path(), pbx.testCa()}};
    EngineRecorder recorder{engine};

    linphone::Core &core() { return *engine.implementation().core(); }
    int calls() { return core().getCallsNb(); }

    SipPeer &addPeer(const QString &extension, const QString &displayName = {})
    {
        return *m_peers.emplace_back(std::make_unique<SipPeer>(pbx, extension, u"senha-"_s + extension, displayName));
    }

    BaresipPeer &addBaresip(const QString &extension)
    {
        return *m_baresips.emplace_back(std::make_unique<BaresipPeer>(pbx, extension, u"senha-"_s + extension));
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
            return calls() == 0 && std::none_of(m_peers.begin(), m_peers.end(), [](const auto &peer) { return peer->hasCall(); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(quiet(), 5000);
        QTest::qWait(100);
    }

private:
    std::vector<std::unique_ptr<SipPeer>> m_peers;
    std::vector<std::unique_ptr<BaresipPeer>> m_baresips;
};

} // namespace vozel::test
