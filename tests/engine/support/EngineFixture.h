#pragma once

#include "TestPbx.h"
#include "engine/EngineEnvironment.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelError.h"

#include <QCoroTask>
#include <QTemporaryDir>
#include <QTest>

namespace vozel::test {

using namespace Qt::StringLiterals;

// The extensions every engine test's PBX knows.
// 2004 authenticates as u2004.
inline const QStringList pbxExtensions = {u"2001:senha-2001"_s, u"2002:senha-2002"_s, u"2003:senha-2003"_s,
                                          u"2004:senha-2004:u2004"_s};

inline SIPAccount accountOn(const TestPbx &pbx, const QString &extension = u"2001"_s,
                            const QString &password = {})
{
    return {extension, extension, password.isNull() ? u"senha-"_s + extension : password, pbx.host(), pbx.port(),
            u"udp"_s, u"Ramal "_s + extension, 600};
}

// An engine environment for tests: STUN answered by the test PBX, a scratch folder for the
// core's databases, no system bus, and the PBX's test CA as the only trusted one.
inline EngineEnvironment testEnvironment(const TestPbx &pbx, const QTemporaryDir &folder)
{
    return {pbx.stunServer(), QDBusConnection(u"no-system-bus"_s), folder.path(), pbx.testCa()};
}

// Runs an engine operation to its end and gives back the failure it threw, if any.
template <typename Operation>
std::optional<QString> failureOf(Operation &&operation)
{
    try {
        operation();
    } catch (const Failure &failure) {
        return failure.description();
    }
    return std::nullopt;
}

// Awaits an engine operation (bounded) and gives back the failure it threw, if any.
inline std::optional<QString> finish(QCoro::Task<> task)
{
    std::optional<QString> failure;
    bool done = false;
    auto runner = [](QCoro::Task<> task, std::optional<QString> &failure, bool &done) -> QCoro::Task<> {
        try {
            co_await std::move(task);
        } catch (const Failure &error) {
            failure = error.description();
        }
        done = true;
    };
    auto running = runner(std::move(task), failure, done);
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return u"(the operation did not finish)"_s;
    return failure;
}

inline const QString sipUnavailableMessage = VozelError::sipUnavailable().description();

} // namespace vozel::test
