#pragma once

#include "engine/SIPEngine.h"

#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// Installs all five callbacks on an engine and writes down every report, in order, as text:
// "registration connecting", "registration failed: Unauthorized", "call dialing 2002",
// "call idle", "transfer ready", "transfer not ready", "transfer failed: …", "devices",
// "waiting 2003", "waiting none", "held call back 2002".
class EngineRecorder {
public:
    QStringList reports;

    explicit EngineRecorder(SIPEngine &engine)
    {
        engine.onRegistrationChanged = [this](const RegistrationState &state) { reports << describe(state); };
        engine.onCallChanged = [this](const VozelCallState &state) { reports << describe(state); };
        engine.onAttendedTransferChanged = [this](bool ready) {
            reports << (ready ? u"transfer ready"_s : u"transfer not ready"_s);
        };
        engine.onTransferFailed = [this](const QString &message) { reports << u"transfer failed: "_s + message; };
        engine.onAudioDevicesChanged = [this] { reports << u"devices"_s; };
        engine.onWaitingCallChanged = [this](const std::optional<QString> &number) {
            reports << u"waiting "_s + number.value_or(u"none"_s);
        };
        engine.onHeldCallResumed = [this](const QString &number) { reports << u"held call back "_s + number; };
    }

    // The reports from position `from` on.
    QStringList since(qsizetype from) const { return reports.mid(from); }
    QString last() const { return reports.isEmpty() ? QString() : reports.last(); }
    bool contains(const QString &report) const { return reports.contains(report); }
    qsizetype count(const QString &report) const { return reports.count(report); }

    // Names in the order of the kinds' declarations.
    static QString describe(const RegistrationState &state)
    {
        static const char *const kinds[] = {"notConfigured", "disabled", "connecting", "connected", "failed"};
        const QString text = u"registration "_s + QLatin1String(kinds[int(state.kind)]);
        return state.kind == RegistrationState::Kind::Failed ? text + u": "_s + state.message : text;
    }

    static QString describe(const VozelCallState &state)
    {
        static const char *const kinds[] = {"idle", "incoming", "dialing", "connected"};
        const QString text = u"call "_s + QLatin1String(kinds[int(state.kind)]);
        return state.isIdle() ? text : text + u' ' + state.number;
    }
};

} // namespace vozel::test
