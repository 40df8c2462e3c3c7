#pragma once

#include "platform/SecretStore.h"

#include <QHash>

// An in-memory keyring whose operations can be made to fail.
class FakeSecretStore final : public SecretStore {
public:
    QHash<QString, QByteArray> items;
    bool available = true;
    bool failWrites = false; // update and add fail
    bool corruptReads = false; // reads return different data than stored
    int updateCalls = 0;
    int addCalls = 0;
    int removeCalls = 0;

    QCoro::Task<ReadResult> read(QString account) override
    {
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
        if (!available || failWrites || !items.contains(account))
            co_return false;
        items.insert(account, data);
        co_return true;
    }
    QCoro::Task<bool> add(QString account, QByteArray data) override
    {
        ++addCalls;
        if (!available || failWrites)
            co_return false;
        items.insert(account, data);
        co_return true;
    }
    QCoro::Task<bool> remove(QString account) override
    {
        ++removeCalls;
        if (!available)
            co_return false;
        items.remove(account);
        co_return true;
    }
};
