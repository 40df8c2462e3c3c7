#include "platform/linux/SessionSingleInstance.h"

#include "foundation/Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
// A later copy must not hang around: the call is delivered even when nobody waits for its answer.
constexpr int activationTimeoutMs = 1000;
}

SessionSingleInstance::SessionSingleInstance(const QString &applicationId, QObject *parent)
    : SingleInstance(parent)
    , m_applicationId(applicationId)
{
}

SessionSingleInstance::~SessionSingleInstance()
{
    if (m_ownsBusName) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(m_applicationId);
        bus.unregisterObject(objectPath(m_applicationId));
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString SessionSingleInstance::objectPath(const QString &applicationId)
{
    QString path = QLatin1Char('/') + applicationId;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

bool SessionSingleInstance::claim()
{
    const Outcome bus = claimBusName();
    if (bus == Outcome::Taken) {
        activateRunningCopy();
        return false;
    }
    // The lock is taken even with the bus name, so that a copy started without the session bus
    // (a different environment, a broken bus) still sees this one.
    if (claimLockFile() == Outcome::Taken) {
        Log::line(QStringLiteral("Tamsel is already running in this session."));
        return false;
    }
    // Claimed, or neither mechanism works here: better a second copy than none at all.
    return true;
}

void SessionSingleInstance::Activate(const QVariantMap &)
{
    emit activationRequested();
}

void SessionSingleInstance::ActivateAction(const QString &name, const QVariantList &, const QVariantMap &)
{
    emit actionRequested(name);
}

SessionSingleInstance::Outcome SessionSingleInstance::claimBusName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Outcome::Unavailable;
    // The object is in place before the name is taken, so a copy that sees the name can call it.
    const QString path = objectPath(m_applicationId);
    if (!bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots)) {
        Log::line(QStringLiteral("SingleInstance export failed: %1").arg(bus.lastError().message()));
        return Outcome::Unavailable;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        m_applicationId, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsBusName = true;
        return Outcome::Claimed;
    }
    bus.unregisterObject(path);
    if (reply.isValid())
        return Outcome::Taken;
    Log::line(QStringLiteral("SingleInstance bus name failed: %1").arg(reply.error().message()));
    return Outcome::Unavailable;
}

SessionSingleInstance::Outcome SessionSingleInstance::claimLockFile()
{
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        return Outcome::Unavailable;
    const QByteArray path = QFile::encodeName(directory + QLatin1Char('/') + m_applicationId + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Log::line(QStringLiteral("SingleInstance lock failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return Outcome::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_lockFd = fd;
        return Outcome::Claimed;
    }
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK)
        return Outcome::Taken;
    Log::line(QStringLiteral("SingleInstance lock failed: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    return Outcome::Unavailable;
}

void SessionSingleInstance::activateRunningCopy()
{
    const bool action = !m_forwardedAction.isEmpty();
    QDBusMessage call = QDBusMessage::createMethodCall(m_applicationId, objectPath(m_applicationId),
        applicationInterface, action ? QStringLiteral("ActivateAction") : QStringLiteral("Activate"));
    if (action)
        call << m_forwardedAction << QVariantList();
    call << QVariantMap();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, activationTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        Log::line(QStringLiteral("SingleInstance activation failed: %1").arg(reply.errorMessage()));
    else if (action)
        Log::line(
            QStringLiteral("Tamsel is already running; it was asked to carry out \"%1\".").arg(m_forwardedAction));
    else
        Log::line(QStringLiteral("Tamsel is already running; it was asked to show its pet."));
}
