// Measures the engine on loopback against the test PBX: how long registration, an incoming
// and an outgoing call take to show, and what the 20 ms tick costs while idle and registered.
//
//   engine_benchmark [--rounds N] [--idle-seconds S]
//
// Not a test: run it by hand, inside tests/sandbox.sh.

#include "support/EngineFixture.h"
#include "support/SipPeer.h"
#include "support/TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double cpuSeconds(clockid_t clock)
{
    timespec t {};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void printFigure(const char *what, QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%-44s median %7.1f ms   min %7.1f   max %7.1f   (%lld rounds)\n", what,
                samples[samples.size() / 2], samples.first(), samples.last(), qlonglong(samples.size()));
}

bool waitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, 10000);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({u"rounds"_s, u"Rounds per latency figure."_s, u"N"_s, u"10"_s});
    options.addOption({u"idle-seconds"_s, u"Length of the idle measurement."_s, u"S"_s, u"60"_s});
    options.process(app);
    const int rounds = std::max(1, options.value(u"rounds"_s).toInt());
    const int idleSeconds = options.value(u"idle-seconds"_s).toInt();

    TestPbx pbx(pbxExtensions);
    if (!pbx.isRunning()) {
        std::fprintf(stderr, "The test PBX did not start:\n%s\n", qPrintable(pbx.log()));
        return 1;
    }
    QTemporaryDir data;
    PJSIPEngine engine(testEnvironment(pbx, data));
    Clock::time_point connectedAt, incomingAt;
    bool connected = false, incoming = false;
    engine.onRegistrationChanged = [&](const RegistrationState &state) {
        if (state.kind == RegistrationState::Kind::Connected && !connected) {
            connected = true;
            connectedAt = Clock::now();
        }
    };
    engine.onCallChanged = [&](const VozelCallState &state) {
        if (state.kind == VozelCallState::Kind::Incoming && !incoming) {
            incoming = true;
            incomingAt = Clock::now();
        }
    };

    QList<double> registration;
    for (int round = 0; round < rounds; ++round) {
        connected = false;
        const auto before = Clock::now();
        if (failureOf([&] { engine.start(accountOn(pbx)); }) || !waitFor([&] { return connected; }))
            return 1;
        registration << msBetween(before, connectedAt);
    }

    auto peer = std::make_unique<SipPeer>(pbx, u"2002"_s, u"senha-2002"_s);
    if (!waitFor([&] { return peer->isRegistered(); }))
        return 1;
    const auto settle = [&] {
        waitFor([&] { return !peer->hasCall() && engine.implementation().core()->getCallsNb() == 0; });
        QTest::qWait(100);
    };

    QList<double> incomingCalls;
    for (int round = 0; round < rounds; ++round) {
        incoming = false;
        const auto before = Clock::now();
        peer->dial(u"sip:2001@127.0.0.1"_s);
        if (!waitFor([&] { return incoming; }))
            return 1;
        incomingCalls << msBetween(before, incomingAt);
        engine.endCall();
        settle();
    }

    QList<double> outgoingCalls;
    peer->answerIncoming(SipPeer::Answer::busy);
    for (int round = 0; round < rounds; ++round) {
        const auto callersBefore = peer->callers().size();
        const auto before = Clock::now();
        if (failureOf([&] { engine.call(u"2002"_s); }) || !waitFor([&] { return peer->callers().size() > callersBefore; }))
            return 1;
        outgoingCalls << msBetween(before, peer->incomingAt());
        settle();
    }
    peer.reset();

    printFigure("start(account:) to connected", registration);
    printFigure("peer's INVITE to the incoming report", incomingCalls);
    printFigure("call(number:) to the peer's IncomingReceived", outgoingCalls);

    std::printf("\nIdle and registered for %d s...\n", idleSeconds);
    QTest::qWait(1000);
    const quint64 ticksBefore = engine.implementation().ticks();
    const double threadBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto before = Clock::now();
    QTest::qWait(idleSeconds * 1000);
    const double elapsed = msBetween(before, Clock::now()) / 1000;
    const double ticksPerSecond = double(engine.implementation().ticks() - ticksBefore) / elapsed;
    const double threadPercent = 100 * (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore) / elapsed;
    std::printf("ticks per second                             %.1f\n", ticksPerSecond);
    std::printf("main thread CPU (ticks and event loop)       %.2f %% of one core\n", threadPercent);
    std::printf("whole process CPU (with the stack's threads) %.2f %% of one core\n",
                100 * (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) / elapsed);
    std::printf("CPU per tick                                 %.1f us\n", 1e6 * (threadPercent / 100) / ticksPerSecond);
    return 0;
}
