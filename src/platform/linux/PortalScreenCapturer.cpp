#include "platform/linux/PortalScreenCapturer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QImageReader>
#include <QPointer>
#include <QUrl>
#include <QUuid>

#include <qcoro/qcorosignal.h>

#include <chrono>
#include <utility>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
// The portal's pictures are whole screens; anything beyond this is not one.
constexpr int imageAllocationLimitMiB = 512;

bool subscribe(QDBusConnection &bus, const QString &path, QObject *receiver)
{
    return bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), receiver,
        SLOT(handleResponse(uint, QVariantMap)));
}

void unsubscribe(QDBusConnection &bus, const QString &path, QObject *receiver)
{
    bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), receiver,
        SLOT(handleResponse(uint, QVariantMap)));
}
}

PortalScreenCapturer::PortalScreenCapturer(QObject *parent)
    : QObject(parent)
{
}

bool PortalScreenCapturer::isNeeded()
{
    return QGuiApplication::platformName() == QLatin1String("wayland")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void PortalScreenCapturer::handleResponse(uint response, const QVariantMap &results)
{
    if (!m_busy || m_response)
        return;
    m_response = Response { response, results };
    emit responded();
}

ScreenCapturer::Capture PortalScreenCapturer::interpretResponse(
    uint response, const QVariantMap &results, bool selection)
{
    if (response == 1)
        return selection ? Capture::cancelled() : Capture::refused();
    if (response != 0)
        return Capture::refused();
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        return Capture::failed(QStringLiteral("the desktop's screenshot service returned no picture"));
    QImageReader reader(uri.toLocalFile());
    reader.setAllocationLimit(imageAllocationLimitMiB);
    QImage image = reader.read();
    if (image.isNull())
        return Capture::failed(
            QStringLiteral("the picture couldn't be read (") + reader.errorString() + QStringLiteral(")"));
    return Capture::captured(std::move(image));
}

QCoro::Task<ScreenCapturer::Capture> PortalScreenCapturer::capture(bool selection)
{
    if (m_busy)
        co_return Capture::failed(QStringLiteral("another screenshot is already being taken"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return Capture::failed(QStringLiteral("the session bus isn't available"));

    // The request object's path is known in advance; subscribing before the call means an early
    // answer cannot be missed.
    const QString token = QStringLiteral("tamsel") + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    QString requestPath = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    subscribe(bus, requestPath, this);
    m_busy = true;
    m_response.reset();

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap { { QStringLiteral("handle_token"), token }, { QStringLiteral("modal"), true },
                { QStringLiteral("interactive"), selection } };
    QPointer<PortalScreenCapturer> self(this);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    co_await qCoro(watcher, &QDBusPendingCallWatcher::finished);
    if (!self)
        co_return Capture::failed(QStringLiteral("the app is closing"));
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        unsubscribe(bus, requestPath, this);
        m_busy = false;
        co_return Capture::failed(QStringLiteral("the desktop's screenshot service isn't available (")
            + reply.error().message() + QStringLiteral(")"));
    }
    // Portals older than the handle_token convention choose their own path.
    if (const QString answered = reply.value().path(); answered != requestPath) {
        unsubscribe(bus, requestPath, this);
        requestPath = answered;
        subscribe(bus, requestPath, this);
    }

    if (!m_response) {
        co_await qCoro(this, &PortalScreenCapturer::responded, std::chrono::milliseconds(responseTimeoutMs));
        if (!self)
            co_return Capture::failed(QStringLiteral("the app is closing"));
    }
    unsubscribe(bus, requestPath, this);
    m_busy = false;
    const std::optional<Response> response = std::exchange(m_response, std::nullopt);
    if (!response)
        co_return Capture::failed(QStringLiteral("the desktop's screenshot service did not answer"));
    co_return interpretResponse(response->code, response->results, selection);
}
