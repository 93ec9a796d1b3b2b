#pragma once

#include "engine/SIPEngine.h"

#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// Installs all five callbacks on an engine and writes down every report, in order, as text:
// "registration connecting", "registration failed: Unauthorized", "call dialing 2002",
// "call idle", "transfer ready", "transfer not ready", "transfer failed: …", "devices".
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
    }

    // The reports from position `from` on.
    QStringList since(qsizetype from) const { return reports.mid(from); }
    QString last() const { return reports.isEmpty() ? QString() : reports.last(); }
    bool contains(const QString &report) const { return reports.contains(report); }
    qsizetype count(const QString &report) const { return reports.count(report); }

    static QString describe(const RegistrationState &state)
    {
        switch (state.kind) {
        case RegistrationState::Kind::notConfigured:
            return u"registration notConfigured"_s;
        case RegistrationState::Kind::disabled:
            return u"registration disabled"_s;
        case RegistrationState::Kind::connecting:
            return u"registration connecting"_s;
        case RegistrationState::Kind::connected:
            return u"registration connected"_s;
        case RegistrationState::Kind::failed:
            return u"registration failed: "_s + state.message;
        }
        return {};
    }

    static QString describe(const VozelCallState &state)
    {
        switch (state.kind) {
        case VozelCallState::Kind::idle:
            return u"call idle"_s;
        case VozelCallState::Kind::incoming:
            return u"call incoming "_s + state.number;
        case VozelCallState::Kind::dialing:
            return u"call dialing "_s + state.number;
        case VozelCallState::Kind::connected:
            return u"call connected "_s + state.number;
        }
        return {};
    }
};

} // namespace vozel::test
