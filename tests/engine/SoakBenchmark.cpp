// Many calls in a row between the engine and a peer through the test PBX, as a day at a desk
// would have them: each one dialled, answered by the peer, a DTMF digit sent, then ended. Prints
// the resident memory and the time per call along the way; a call that does not reach a state
// within 10 s counts as stuck.
//
//   engine_soak_benchmark [--calls N]
//
// Not a test: run it by hand, inside tests/sandbox.sh.

#include "support/EngineFixture.h"
#include "support/SipPeer.h"
#include "support/TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

double residentMiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({u"calls"_s, u"Calls in a row."_s, u"N"_s, u"300"_s});
    options.process(app);
    const int calls = std::max(40, options.value(u"calls"_s).toInt());

    TestPbx pbx(pbxExtensions);
    if (!pbx.isRunning()) {
        std::fprintf(stderr, "The test PBX did not start:\n%s\n", qPrintable(pbx.log()));
        return 1;
    }
    QTemporaryDir data;
    PJSIPEngine engine(testEnvironment(pbx, data));
    VozelCallState last = VozelCallState::idle();
    bool registered = false;
    engine.onRegistrationChanged = [&](const RegistrationState &state) {
        registered = state.kind == RegistrationState::Kind::connected;
    };
    engine.onCallChanged = [&](const VozelCallState &state) { last = state; };
    SipPeer peer(pbx, u"2002"_s, u"senha-2002"_s);
    peer.answerIncoming(SipPeer::Answer::automatically);
    if (finish(engine.start(accountOn(pbx)))
        || !QTest::qWaitFor([&] { return registered && peer.isRegistered(); }, 10000)) {
        std::fprintf(stderr, "Registration failed.\n");
        return 1;
    }

    const auto within = [](const std::function<bool()> &done) { return QTest::qWaitFor(done, 10000); };
    QList<double> memory, milliseconds;
    int stuck = 0;
    for (int call = 1; call <= calls; ++call) {
        const auto started = Clock::now();
        const auto digitsBefore = peer.digits().size();
        bool done = !finish(engine.call(u"2002"_s))
            && within([&] { return last.kind == VozelCallState::Kind::connected; });
        try {
            engine.sendDTMF(u"5"_s);
        } catch (...) {
            done = false;
        }
        done = done && within([&] { return peer.digits().size() > digitsBefore; });
        engine.endCall();
        const bool ended =
            within([&] { return !peer.hasCall() && engine.implementation().core()->getCallsNb() == 0; });
        if (!done || !ended) {
            ++stuck;
            std::printf("call %d stuck (engine: %s, peer calls: %d)\n", call, qPrintable(last.number),
                        peer.core()->getCallsNb());
            for (const auto &leftover : peer.core()->getCalls())
                leftover->terminate();
            within([&] { return !peer.hasCall() && engine.implementation().core()->getCallsNb() == 0; });
        }
        milliseconds << std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        memory << residentMiB();
        if (call == 1 || call == 20 || call % 50 == 0)
            std::printf("call %3d   resident %6.1f MiB   this call %6.0f ms\n", call, memory.last(),
                        milliseconds.last());
    }

    const double growth = memory.last() - memory[19];
    std::printf("\nresident memory from call 20 to call %d: %.1f -> %.1f MiB (%+.1f MiB)\n", calls, memory[19],
                memory.last(), growth);
    std::printf("time per call, median of calls 1-20: %.0f ms; of the last 20: %.0f ms\n",
                median(milliseconds.mid(0, 20)), median(milliseconds.mid(calls - 20)));
    std::printf("stuck calls: %d\n", stuck);
    return stuck == 0 && growth < 5 ? 0 : 1;
}
