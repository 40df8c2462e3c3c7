#include "tray/PawIcon.h"

#include "platform/ApplicationIcon.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int kSizes[] = { 16, 22, 24, 32, 48, 64 };
}

namespace PawIcon {

QIcon icon()
{
    return icon(QStringLiteral(":/icons/paw-"));
}

QIcon icon(const QString &pathPrefix)
{
    QIcon paw;
    for (int size : kSizes) {
        const QString path = pathPrefix + QString::number(size) + QStringLiteral(".png");
        if (!QFile::exists(path))
            continue;
        const QPixmap pixmap = ApplicationIcon::readPng(path);
        if (!pixmap.isNull())
            paw.addPixmap(pixmap);
    }
    if (!paw.availableSizes().isEmpty())
        return paw;
    const QIcon themed = QIcon::fromTheme(QStringLiteral("pawprint"));
    if (!themed.isNull())
        return themed;
    return emojiIcon();
}

QIcon emojiIcon()
{
    QIcon paw;
    for (int size : kSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QFont font = painter.font();
        font.setPixelSize(size * 3 / 4);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("\U0001F43E"));
        painter.end();
        paw.addPixmap(pixmap);
    }
    return paw;
}

}
