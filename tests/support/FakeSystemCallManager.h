#pragma once

#include "model/ports/SystemCallManager.h"

#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// Records what the model asked the alert manager to do.
class FakeSystemCallManager : public SystemCallManager {
public:
    QStringList events; // "incoming 2002", "identity 2002|Ana|Loja", "answered", "ended"
    QString ringerDevice;

    void reportIncoming(const QString &number) override { events << u"incoming "_s + number; }

    void updateIncomingIdentity(const QString &number, const QString &callerName, const QString &sourceLabel) override
    {
        events << u"identity %1|%2|%3"_s.arg(number, callerName, sourceLabel);
    }

    void reportAnswered() override { events << u"answered"_s; }

    void reportEnded() override { events << u"ended"_s; }

    void setRingerDevice(const QString &deviceName) override { ringerDevice = deviceName; }
    void reportWaitingCall(const QString &number) override { events << u"waiting "_s + number; }

    void reportWaitingCallEnded() override { events << u"waiting ended"_s; }
};

} // namespace vozel::test
