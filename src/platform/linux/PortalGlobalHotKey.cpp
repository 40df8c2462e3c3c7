#include "platform/linux/PortalGlobalHotKey.h"

#include "foundation/Log.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QTimer>
#include <QUuid>

#include <qcoro/qcorosignal.h>

#include <chrono>
#include <utility>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QString newToken()
{
    return QStringLiteral("tamsel") + QUuid::createUuid().toString(QUuid::Id128);
}

// The portal names shortcuts by the program's own ids; one per combination keeps a binding the
// user changed in the desktop's settings attached to the same id on the next run.
QString shortcutId(const QString &trigger)
{
    return QStringLiteral("key-") + trigger.toLower().replace(QLatin1Char('+'), QLatin1Char('-'));
}
}

Q_DECLARE_METATYPE(PortalShortcut)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

PortalGlobalHotKey::PortalGlobalHotKey(QObject *parent)
    : GlobalHotKey(parent)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection::sessionBus().connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
        this, SLOT(handleActivated(QDBusMessage)));
}

PortalGlobalHotKey::~PortalGlobalHotKey()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        portalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
}

bool PortalGlobalHotKey::isNeeded()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString PortalGlobalHotKey::trigger(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QString name;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        name = QChar(u'a' + (key - Qt::Key_A));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        name = QChar(u'0' + (key - Qt::Key_0));
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    else if (key == Qt::Key_Space)
        name = QStringLiteral("space");
    else if (key == Qt::Key_Return)
        name = QStringLiteral("Return");
    else if (key == Qt::Key_Escape)
        name = QStringLiteral("Escape");
    else if (key == Qt::Key_Tab)
        name = QStringLiteral("Tab");
    else
        return {};
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(QLatin1Char('+'));
}

GlobalHotKey::RegisterResult PortalGlobalHotKey::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const QString combination = trigger(key, modifiers);
    if (combination.isEmpty())
        return Failure { Failure::Reason::UnknownKey, {} };
    if (!QDBusConnection::sessionBus().isConnected())
        return Failure { Failure::Reason::Unavailable, QStringLiteral("no session bus") };
    const Id id = ++m_lastId;
    m_triggers.emplace(id, combination);
    scheduleBinding();
    return id;
}

void PortalGlobalHotKey::unregisterKey(Id id)
{
    // The portal keeps what was bound until the session closes; presses of a shortcut nobody
    // holds any more are ignored.
    m_triggers.erase(id);
}

void PortalGlobalHotKey::scheduleBinding()
{
    m_bound = false;
    if (m_bindingScheduled)
        return;
    m_bindingScheduled = true;
    // Registrations made together are bound together.
    QTimer::singleShot(0, this, [this] {
        if (!m_binding)
            bind();
    });
}

QCoro::Task<> PortalGlobalHotKey::bind()
{
    m_binding = true;
    QPointer<PortalGlobalHotKey> self(this);
    while (m_bindingScheduled && !m_failureLogged) {
        m_bindingScheduled = false;
        if (m_session.isEmpty()) {
            const QString token = newToken();
            auto created = request(QStringLiteral("CreateSession"),
                { QVariantMap { { QStringLiteral("handle_token"), token },
                    { QStringLiteral("session_handle_token"), newToken() } } },
                token);
            const Answer answer = co_await std::move(created);
            if (!self)
                co_return;
            if (!answer.results) {
                fail(answer.error);
                break;
            }
            // Older portals send the handle as a string, newer ones as an object path.
            const QVariant handle = answer.results->value(QStringLiteral("session_handle"));
            m_session
                = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
            if (m_session.isEmpty()) {
                fail(QStringLiteral("the portal created no session"));
                break;
            }
        }

        QList<PortalShortcut> shortcuts;
        QStringList seen;
        for (const auto &[id, combination] : m_triggers) {
            if (seen.contains(combination))
                continue;
            seen << combination;
            shortcuts << PortalShortcut { shortcutId(combination),
                { { QStringLiteral("description"), QStringLiteral("Tamsel: %1").arg(combination) },
                    { QStringLiteral("preferred_trigger"), combination } } };
        }
        const QString token = newToken();
        auto bound = request(QStringLiteral("BindShortcuts"),
            { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString(),
                QVariantMap { { QStringLiteral("handle_token"), token } } },
            token);
        const Answer answer = co_await std::move(bound);
        if (!self)
            co_return;
        if (!answer.results) {
            fail(answer.error);
            break;
        }
        if (!m_bindingScheduled) {
            m_bound = true;
            emit bindingFinished(true);
        }
    }
    m_binding = false;
}

QCoro::Task<PortalGlobalHotKey::Answer> PortalGlobalHotKey::request(
    QString method, QList<QVariant> arguments, QString token)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The request object's path is known in advance; subscribing before the call means an early
    // answer cannot be missed.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const auto subscribe = [&bus, this](const QString &path, bool on) {
        if (on)
            bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                SLOT(handleResponse(uint, QVariantMap)));
        else
            bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                SLOT(handleResponse(uint, QVariantMap)));
    };
    m_requestPath = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    m_response.reset();
    subscribe(m_requestPath, true);

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(arguments);
    QPointer<PortalGlobalHotKey> self(this);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    co_await qCoro(watcher, &QDBusPendingCallWatcher::finished);
    if (!self)
        co_return Answer { std::nullopt, QStringLiteral("the app is closing") };
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        subscribe(m_requestPath, false);
        co_return Answer { std::nullopt, reply.error().message() };
    }
    // Portals older than the handle_token convention choose their own path.
    if (const QString answered = reply.value().path(); answered != m_requestPath) {
        subscribe(m_requestPath, false);
        m_requestPath = answered;
        subscribe(m_requestPath, true);
    }
    if (!m_response) {
        co_await qCoro(this, &PortalGlobalHotKey::responded, std::chrono::milliseconds(responseTimeoutMs));
        if (!self)
            co_return Answer { std::nullopt, QStringLiteral("the app is closing") };
    }
    subscribe(m_requestPath, false);
    m_requestPath.clear();
    const auto response = std::exchange(m_response, std::nullopt);
    if (!response)
        co_return Answer { std::nullopt, QStringLiteral("the portal did not answer %1").arg(method) };
    if (response->first != 0)
        co_return Answer { std::nullopt,
            QStringLiteral("the portal refused %1 (response %2)").arg(method).arg(response->first) };
    co_return Answer { response->second, {} };
}

void PortalGlobalHotKey::handleResponse(uint response, const QVariantMap &results)
{
    if (m_requestPath.isEmpty() || m_response)
        return;
    m_response.emplace(response, results);
    emit responded();
}

void PortalGlobalHotKey::handleActivated(const QDBusMessage &message)
{
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = message.arguments();
    if (m_session.isEmpty() || arguments.size() < 2 || arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    const QString shortcut = arguments.at(1).toString();
    // A receiver may release keys, so the matching ids are taken before any is reported.
    QList<Id> matching;
    for (const auto &[id, combination] : m_triggers) {
        if (shortcutId(combination) == shortcut)
            matching << id;
    }
    for (const Id id : matching)
        emit pressed(id);
}

void PortalGlobalHotKey::fail(const QString &reason)
{
    m_bound = false;
    if (!m_failureLogged) {
        m_failureLogged = true;
        Log::line(QStringLiteral("PortalGlobalHotKey binding failed: %1. Ctrl+double-click the pet instead, or bind "
                                 "a key to `tamsel --ask` in the desktop's keyboard settings.")
                      .arg(reason));
    }
    emit bindingFinished(false);
}
