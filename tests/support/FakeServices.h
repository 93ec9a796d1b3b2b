#pragma once

#include "model/domain/Failure.h"
#include "model/ports/AccountProvisioning.h"
#include "model/ports/CallOriginLookup.h"
#include "model/ports/LoginItem.h"
#include "model/ports/SystemCallManager.h"

#include <QCoroSignal>
#include <QObject>
#include <QStringList>

namespace vozel::test {

using namespace Qt::StringLiterals;

// Emits `released` when the test lets a held request finish.
class Gate : public QObject {
    Q_OBJECT
public:
    bool held = false;
    void release() { emit released(); }
signals:
    void released();
};

// Answers provisioning links with a fixed account or failure; can hold the answer.
class FakeProvisioning : public AccountProvisioning {
public:
    std::optional<SIPAccount> account;
    std::optional<Failure> failure;
    Gate gate;

    QCoro::Task<SIPAccount> provision(QString) override
    {
        if (gate.held)
            co_await qCoro(&gate, &Gate::released);
        if (failure)
            throw *failure;
        // A copy: co_return would move the answer out of the fake, which keeps it for the next call.
        co_return SIPAccount(account.value());
    }
};

// Answers origin lookups with a fixed label; can hold the answer until released.
class FakeOriginLookup : public CallOriginLookup {
public:
    std::optional<QString> label;
    QList<CancellationToken> tokens; // one per lookup
    Gate gate;

    QCoro::Task<std::optional<QString>> resolve(SavedSIPAccount, QString, CancellationToken cancellation) override
    {
        tokens << cancellation;
        if (gate.held)
            co_await qCoro(&gate, &Gate::released);
        co_return cancellation.isCancelled() ? std::nullopt : std::optional<QString>(label);
    }
};

// A login item whose state can be refused.
class FakeLoginItem : public LoginItem {
public:
    bool enabled = false;
    std::optional<Failure> failure;

    bool isEnabled() const override { return enabled; }
    void setEnabled(bool value) override
    {
        if (failure)
            throw *failure;
        enabled = value;
    }
};

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
