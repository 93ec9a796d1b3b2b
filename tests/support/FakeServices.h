#pragma once

#include "model/domain/Failure.h"
#include "model/ports/AccountProvisioning.h"
#include "model/ports/CallOriginLookup.h"
#include "model/ports/LoginItem.h"

#include <QCoroSignal>
#include <QObject>

namespace vozel::test {

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
        // co_return moves from a non-const lvalue; the fake must keep its answer for the next call.
        const SIPAccount answer = account.value();
        co_return answer;
    }
};

// Answers origin lookups with a fixed label; can hold the answer until released.
class FakeOriginLookup : public CallOriginLookup {
public:
    std::optional<QString> label;
    QStringList callers;
    QList<CancellationToken> tokens;
    Gate gate;

    QCoro::Task<std::optional<QString>> resolve(SavedSIPAccount, QString caller, CancellationToken cancellation) override
    {
        callers << caller;
        tokens << cancellation;
        if (gate.held)
            co_await qCoro(&gate, &Gate::released);
        if (cancellation.isCancelled())
            co_return std::nullopt;
        const std::optional<QString> answer = label;
        co_return answer;
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

} // namespace vozel::test
