#pragma once

#include "TestPbx.h"
#include "engine/EngineEnvironment.h"
#include "model/domain/SIPAccount.h"
#include "model/domain/VozelError.h"

#include <QTemporaryDir>
#include <QTest>

namespace vozel::test {

using namespace Qt::StringLiterals;

// The extensions every engine test's PBX knows; 2004 authenticates as u2004.
inline const QStringList pbxExtensions = {u"2001:senha-2001"_s, u"2002:senha-2002"_s, u"2003:senha-2003"_s,
                                          u"2004:senha-2004:u2004"_s, u"2005:senha-2005"_s, u"2006:senha-2006"_s};

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

inline const QString sipUnavailableMessage = VozelError::sipUnavailable().description();

} // namespace vozel::test
