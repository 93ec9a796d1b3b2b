// Many calls in a row between the engine and a peer through the test PBX, as a day at a desk
// would have them: each one dialled, answered by the peer, a DTMF digit sent, then ended. Prints
// the engine's resident memory and the time per call along the way; a call that does not reach
// a state within 10 s counts as stuck. The peer runs in a process of its own (this program with
// --peer), so the memory is the engine's alone. The SIP stack keeps every finished transaction
// for 32 s (64 x T1), about a hundred calls at this pace: the memory after call 20 and after the
// last call is read again once those have gone and the freed memory is handed back to the
// system, for the growth that stays.
//
//   engine_soak_benchmark [--calls N] [--settle-seconds S]
//
// Not a test: run it by hand, inside tests/sandbox.sh.

#include "support/EngineFixture.h"
#include "DemoPeer.h"
#include "support/TestPbx.h"
#include "engine/EngineCore.h"
#include "engine/PJSIPEngine.h"

#include <linphone++/logging_service.hh>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

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

qsizetype threadCount()
{
    return QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// The peer's side: 2002 answering at once and telling what happens on its standard output.
int runPeer(const QString &registrar)
{
    linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Fatal);
    demo::DemoPeer peer({u"2002"_s, u"senha-2002"_s, u"Recepção"_s, registrar, 0}, [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
    });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({u"calls"_s, u"Calls in a row."_s, u"N"_s, u"300"_s});
    options.addOption({u"settle-seconds"_s, u"Wait before the settled readings."_s, u"S"_s, u"35"_s});
    options.addOption({u"peer"_s, u"Be the peer, registered at this PBX."_s, u"host:port"_s});
    options.process(app);
    if (options.isSet(u"peer"_s))
        return runPeer(options.value(u"peer"_s));
    const int calls = std::max(40, options.value(u"calls"_s).toInt());
    const int settleMs = 1000 * options.value(u"settle-seconds"_s).toInt();

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
        registered = state.kind == RegistrationState::Kind::Connected;
    };
    engine.onCallChanged = [&](const VozelCallState &state) { last = state; };
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Counted line by line rather than kept: the benchmark's own memory must not grow with the calls.
    const QStringList events{u"registrado no PABX"_s, u"DTMF recebido"_s, u"encerrada"_s};
    QHash<QString, int> heard;
    QObject::connect(&peer, &QProcess::readyReadStandardOutput, [&] {
        while (peer.canReadLine()) {
            const QString line = QString::fromUtf8(peer.readLine());
            for (const QString &event : events)
                heard[event] += line.count(event);
        }
    });
    peer.start(QCoreApplication::applicationFilePath(), {u"--peer"_s, u"%1:%2"_s.arg(pbx.host()).arg(pbx.port())});
    const auto peerSaid = [&](const QString &event) { return heard.value(event); };
    if (failureOf([&] { engine.start(accountOn(pbx)); })
        || !QTest::qWaitFor([&] { return registered && peerSaid(u"registrado no PABX"_s) > 0; }, 10000)) {
        std::fprintf(stderr, "Registration failed.\n");
        return 1;
    }

    const auto within = [](const std::function<bool()> &done) { return QTest::qWaitFor(done, 10000); };
    QList<double> memory, milliseconds, settled;
    int stuck = 0;
    for (int call = 1; call <= calls; ++call) {
        const auto started = Clock::now();
        const auto digitsBefore = peerSaid(u"DTMF recebido"_s);
        const auto endsBefore = peerSaid(u"encerrada"_s);
        bool done = !failureOf([&] { engine.call(u"2002"_s); })
            && within([&] { return last.kind == VozelCallState::Kind::Connected; });
        try {
            engine.sendDTMF(u"5"_s);
        } catch (...) {
            done = false;
        }
        done = done && within([&] { return peerSaid(u"DTMF recebido"_s) > digitsBefore; });
        engine.endCall();
        const bool ended = within([&] {
            return peerSaid(u"encerrada"_s) > endsBefore && engine.implementation().core()->getCallsNb() == 0;
        });
        if (!done || !ended) {
            ++stuck;
            std::printf("call %d stuck\n", call);
            engine.implementation().core()->terminateAllCalls();
            within([&] { return engine.implementation().core()->getCallsNb() == 0; });
        }
        milliseconds << std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        memory << residentMiB();
        if (call == 1 || call == 20 || call % 50 == 0)
            std::printf("call %3d   resident %6.1f MiB   threads %3lld   this call %6.0f ms\n", call, memory.last(),
                        qlonglong(threadCount()), milliseconds.last());
        if (call == 20 || call == calls) {
            QTest::qWait(settleMs);
            malloc_trim(0);
            settled << residentMiB();
            // What the heap still holds tells a leak (it grows) from freed memory the system did not take back.
            std::printf("call %3d   resident %6.1f MiB once the stack's transactions have gone (heap in use %.2f MiB)\n",
                        call, settled.last(), mallinfo2().uordblks / 1048576.0);
        }
    }

    const double growth = settled.last() - settled.first();
    std::printf("\nresident memory from call 20 to call %d: %.1f -> %.1f MiB (%+.1f MiB); settled %.1f -> %.1f MiB "
                "(%+.1f MiB)\n",
                calls, memory[19], memory.last(), memory.last() - memory[19], settled.first(), settled.last(), growth);
    std::printf("time per call, median of calls 1-20: %.0f ms; of the last 20: %.0f ms\n",
                median(milliseconds.mid(0, 20)), median(milliseconds.mid(calls - 20)));
    std::printf("stuck calls: %d\n", stuck);
    peer.terminate();
    peer.waitForFinished(5000);
    return stuck == 0 && growth < 5 ? 0 : 1;
}
