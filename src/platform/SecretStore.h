#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

// A small secret storage keyed by account name (the desktop keyring on Linux). A QObject, so that
// a caller resuming after one of its operations can tell whether the store still exists.
class SecretStore : public QObject {
    Q_OBJECT

public:
    enum class Status {
        Ok,
        NotFound, // the store works but holds no such item
        Unavailable, // no secret service on this desktop at all
        Failed // the store refused or broke
    };

    struct ReadResult {
        Status status = Status::Failed;
        QByteArray data;
    };

    using QObject::QObject;

    virtual QCoro::Task<ReadResult> read(QString account) = 0;
    // Replaces the data of an existing item; fails when there is none.
    virtual QCoro::Task<bool> update(QString account, QByteArray data) = 0;
    // Creates the item.
    virtual QCoro::Task<bool> add(QString account, QByteArray data) = 0;
    // Removes the item; succeeds when there was none.
    virtual QCoro::Task<bool> remove(QString account) = 0;

    // Why the last failed write or removal failed, in the store's words; empty when it gave none.
    QString lastFailure() const { return m_lastFailure; }

protected:
    void setLastFailure(QString text) { m_lastFailure = std::move(text); }

private:
    QString m_lastFailure;
};
