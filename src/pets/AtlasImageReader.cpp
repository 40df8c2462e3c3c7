#include "pets/AtlasImageReader.h"

#include <QColorSpace>
#include <QImageReader>

namespace AtlasImageReader {

bool fitsDecodeBudget(qint64 width, qint64 height)
{
    if (width < 0 || height < 0)
        return false;
    // Both factors come from 32-bit sizes, so width x height cannot overflow 64 bits.
    const qint64 pixels = width * height;
    return pixels <= maxDecodedBytes / 4;
}

Result<QImage, Failure> read(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(int(maxDecodedBytes / (1024 * 1024)));
    if (!reader.canRead())
        return Failure::Unreadable;
    const QByteArray format = reader.format().toLower();
    if (format == "svg" || format == "svgz")
        return Failure::Unreadable;

    // The header's size, when the format has one, is checked before anything is allocated.
    const QSize declared = reader.size();
    if (declared.isValid()) {
        if (declared.isEmpty())
            return Failure::Empty;
        if (!fitsDecodeBudget(declared.width(), declared.height()))
            return Failure::Unreadable;
    }

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return Failure::Unreadable;
    if (image.width() < 1 || image.height() < 1)
        return Failure::Empty;
    if (!fitsDecodeBudget(image.width(), image.height()))
        return Failure::Unreadable;

    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return Failure::Unreadable; // the conversion could not allocate
    const QColorSpace colorSpace = image.colorSpace();
    if (colorSpace.isValid() && colorSpace != QColorSpace(QColorSpace::SRgb)) {
        image.convertToColorSpace(QColorSpace::SRgb);
        if (image.isNull())
            return Failure::Unreadable;
    }
    return image;
}

}
