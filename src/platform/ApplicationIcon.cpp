#include "platform/ApplicationIcon.h"

#include <QDir>
#include <QImageReader>

namespace {
// Windows show the icon at most this large (the welcome window's tile at scale 2); the larger
// pictures are for the icon theme.
constexpr int largestWindowIcon = 256;
}

namespace ApplicationIcon {

QPixmap readPng(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon icon(const QString &directory)
{
    QIcon icon;
    const QDir folder(directory);
    for (const QString &name : folder.entryList({ QStringLiteral("tamsel-*.png") }, QDir::Files)) {
        bool ok = false;
        const int size = name.sliced(7, name.size() - 11).toInt(&ok);
        if (!ok || size <= 0 || size > largestWindowIcon)
            continue;
        const QPixmap pixmap = readPng(folder.filePath(name));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

}
