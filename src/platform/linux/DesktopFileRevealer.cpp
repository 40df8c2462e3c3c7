#include "platform/linux/DesktopFileRevealer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void DesktopFileRevealer::reveal(const QString &path)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/FileManager1"), service, QStringLiteral("ShowItems"));
    call << QStringList { QUrl::fromLocalFile(path).toString() } << QString();
    // The bus starts a file manager that is installed but not running. Only a missing one sends
    // the user to the folder: any other failure (a file manager slow to bring its window up)
    // may still end with the item shown.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [folder](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusError::ErrorType error = finished->error().type();
        if (error == QDBusError::ServiceUnknown || error == QDBusError::Disconnected)
            QDesktopServices::openUrl(folder);
    });
}
