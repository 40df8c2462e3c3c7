#include "platform/ApplicationIcon.h"

#include <QDir>

namespace ApplicationIcon {

QIcon icon(const QString &directory)
{
    QIcon icon;
    const QDir folder(directory);
    for (const QString &name : folder.entryList({ QStringLiteral("tamsel-*.png") }, QDir::Files)) {
        bool ok = false;
        const int size = name.sliced(7, name.size() - 11).toInt(&ok);
        if (ok && size > 0)
            icon.addFile(folder.filePath(name), QSize(size, size));
    }
    return icon;
}

}
