#include "platform/linux/KeychainSecretStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <qcoro/qcorosignal.h>
#include <qt6keychain/keychain.h>

#include <QPointer>

#include <memory>

namespace {
const QString kSecretsBusName = QStringLiteral("org.freedesktop.secrets");

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

bool KeychainSecretStore::secretServiceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (bus.interface()->isServiceRegistered(kSecretsBusName).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kSecretsBusName);
}

QCoro::Task<SecretStore::ReadResult> KeychainSecretStore::read(QString account)
{
    if (!secretServiceAvailable())
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
    if (!secretServiceAvailable())
        co_return false;
    auto job = makeJob<QKeychain::WritePasswordJob>(m_service, account);
    job->setTextData(QString::fromUtf8(data));
    co_return co_await run(job.get()) == QKeychain::NoError;
}

QCoro::Task<bool> KeychainSecretStore::remove(QString account)
{
    if (!secretServiceAvailable())
        co_return false;
    auto job = makeJob<QKeychain::DeletePasswordJob>(m_service, account);
    const QKeychain::Error error = co_await run(job.get());
    co_return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
}
