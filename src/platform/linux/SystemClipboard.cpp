#include "platform/linux/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

QString SystemClipboard::text() const
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}

void SystemClipboard::setImage(const QImage &image)
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(image, QClipboard::Clipboard);
}
