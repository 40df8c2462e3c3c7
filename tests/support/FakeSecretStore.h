#pragma once

#include "platform/SecretStore.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcorosignal.h>

// Relays a gate timer's timeout through a plain signal: QTimer::timeout carries a private tag that
// QCoro's signal awaiter hands on as a null reference, which the sanitizer build rejects.
class GateRelay : public QObject {
    Q_OBJECT

signals:
    void opened();
};

// An in-memory keyring whose operations can be made to fail, or to wait for a gate timer (so a
// test can delete something while an operation is in flight, then start the timer).
class FakeSecretStore final : public SecretStore {
public:
    QPointer<QTimer> gate;
    QHash<QString, QByteArray> items;
    bool available = true;
    bool failWrites = false; // update and add fail, giving refusal as their reason
    QString refusal = QStringLiteral("The unlock prompt was dismissed.");
    bool corruptReads = false; // reads return different data than stored
    int updateCalls = 0;
    int addCalls = 0;
    int removeCalls = 0;

    QCoro::Task<ReadResult> read(QString account) override
    {
        const bool passed = co_await passGate();
        if (!passed)
            co_return ReadResult {};
        if (!available)
            co_return ReadResult { Status::Unavailable, {} };
        const auto it = items.constFind(account);
        if (it == items.constEnd())
            co_return ReadResult { Status::NotFound, {} };
        co_return ReadResult { Status::Ok, corruptReads ? it.value() + "x" : it.value() };
    }
    QCoro::Task<bool> update(QString account, QByteArray data) override
    {
        ++updateCalls;
        const bool passed = co_await passGate();
        if (!passed)
            co_return false;
        if (!available || failWrites || !items.contains(account))
            co_return false;
        items.insert(account, data);
        co_return true;
    }
    QCoro::Task<bool> add(QString account, QByteArray data) override
    {
        ++addCalls;
        const bool passed = co_await passGate();
        if (!passed)
            co_return false;
        if (!available || failWrites) {
            setLastFailure(available ? refusal : QStringLiteral("No keyring."));
            co_return false;
        }
        items.insert(account, data);
        co_return true;
    }
    QCoro::Task<bool> remove(QString account) override
    {
        ++removeCalls;
        const bool passed = co_await passGate();
        if (!passed)
            co_return false;
        if (!available)
            co_return false;
        items.remove(account);
        co_return true;
    }

private:
    // False when this store was deleted while waiting. (Callers keep co_await out of their
    // conditions: GCC 12 ends the awaited task too early there.)
    QCoro::Task<bool> passGate()
    {
        if (!gate)
            co_return true;
        QPointer<FakeSecretStore> self(this);
        // The relay dies with the gate, like a wait on the gate's own signal would.
        auto *relay = new GateRelay;
        relay->setParent(gate.data());
        connect(gate.data(), &QTimer::timeout, relay, &GateRelay::opened);
        const QPointer<GateRelay> guard(relay);
        co_await qCoro(relay, &GateRelay::opened);
        if (guard)
            guard->deleteLater();
        co_return !self.isNull();
    }
};
