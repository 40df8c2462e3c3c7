#include "platform/linux/KeychainSecretStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>
#include <qt6keychain/keychain.h>

#include <QPointer>

#include <memory>

namespace {
const QString kSecretsBusName = QStringLiteral("org.freedesktop.secrets");
const QString kNameHasOwner = QStringLiteral("NameHasOwner");
const QString kListActivatableNames = QStringLiteral("ListActivatableNames");

// One call to the bus itself, answered without waiting on the event loop.
QCoro::Task<QDBusMessage> askBus(QDBusConnection bus, QString method, QString argument)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), method);
    if (!argument.isEmpty())
        call << argument;
    co_return co_await bus.asyncCall(call);
}

struct JobDeleter {
    void operator()(QKeychain::Job *job) const { job->deleteLater(); }
};
template<typename JobType> using JobPtr = std::unique_ptr<JobType, JobDeleter>;

template<typename JobType> JobPtr<JobType> makeJob(const QString &service, const QString &account)
{
    JobPtr<JobType> job(new JobType(service));
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    job->setKey(account);
    return job;
}

QString noService()
{
    return QStringLiteral("No Secret Service keyring is running in this session.");
}

QCoro::Task<QKeychain::Error> run(QKeychain::Job *job)
{
    job->start();
    co_await qCoro(job, &QKeychain::Job::finished);
    co_return job->error();
}
}

KeychainSecretStore::KeychainSecretStore(QString service)
    : m_service(std::move(service))
{
}

QCoro::Task<bool> KeychainSecretStore::secretServiceAvailable()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    const QDBusMessage owned = co_await askBus(bus, kNameHasOwner, kSecretsBusName);
    if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool())
        co_return true;
    const QDBusMessage activatable = co_await askBus(bus, kListActivatableNames, QString());
    co_return activatable.type()
        == QDBusMessage::ReplyMessage &&activatable.arguments().value(0).toStringList().contains(kSecretsBusName);
}

QCoro::Task<SecretStore::ReadResult> KeychainSecretStore::read(QString account)
{
    QPointer<KeychainSecretStore> self(this);
    const bool available = co_await secretServiceAvailable();
    if (!self)
        co_return ReadResult { Status::Failed, {} };
    if (!available)
        co_return ReadResult { Status::Unavailable, {} };
    auto job = makeJob<QKeychain::ReadPasswordJob>(m_service, account);
    const QKeychain::Error error = co_await run(job.get());
    switch (error) {
    case QKeychain::NoError: co_return ReadResult { Status::Ok, job->textData().toUtf8() };
    case QKeychain::EntryNotFound: co_return ReadResult { Status::NotFound, {} };
    case QKeychain::NoBackendAvailable: co_return ReadResult { Status::Unavailable, {} };
    default: co_return ReadResult { Status::Failed, {} };
    }
}

QCoro::Task<bool> KeychainSecretStore::update(QString account, QByteArray data)
{
    QPointer<KeychainSecretStore> self(this);
    const ReadResult existing = co_await read(account);
    if (!self || existing.status != Status::Ok)
        co_return false;
    co_return co_await add(account, data);
}

QCoro::Task<bool> KeychainSecretStore::add(QString account, QByteArray data)
{
    QPointer<KeychainSecretStore> self(this);
    const bool available = co_await secretServiceAvailable();
    if (!self)
        co_return false;
    if (!available) {
        setLastFailure(noService());
        co_return false;
    }
    auto job = makeJob<QKeychain::WritePasswordJob>(m_service, account);
    job->setTextData(QString::fromUtf8(data));
    const QKeychain::Error error = co_await run(job.get());
    if (error != QKeychain::NoError && self)
        setLastFailure(job->errorString());
    co_return error == QKeychain::NoError;
}

QCoro::Task<bool> KeychainSecretStore::remove(QString account)
{
    QPointer<KeychainSecretStore> self(this);
    const bool available = co_await secretServiceAvailable();
    if (!self)
        co_return false;
    if (!available) {
        setLastFailure(noService());
        co_return false;
    }
    auto job = makeJob<QKeychain::DeletePasswordJob>(m_service, account);
    const QKeychain::Error error = co_await run(job.get());
    const bool removed = error == QKeychain::NoError || error == QKeychain::EntryNotFound;
    if (!removed && self)
        setLastFailure(job->errorString());
    co_return removed;
}
