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

namespace {

// Prepares reader for path and checks what can be checked before decoding: a format that is an
// atlas at all and, when the header tells it, a size within the budget. The declared size is
// returned (invalid when the format does not tell).
Result<QSize, Failure> openChecked(QImageReader &reader, const QString &path)
{
    reader.setFileName(path);
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
    return declared;
}

Result<QImage, Failure> decode(QImageReader &reader)
{
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return Failure::Unreadable;
    if (image.width() < 1 || image.height() < 1)
        return Failure::Empty;
    if (!fitsDecodeBudget(image.width(), image.height()))
        return Failure::Unreadable;
    return image;
}

} // namespace

Result<QSize, Failure> probe(const QString &path)
{
    QImageReader reader;
    const auto declared = openChecked(reader, path);
    if (!declared.ok() || declared.value().isValid())
        return declared;
    const auto image = decode(reader);
    if (!image.ok())
        return image.error();
    return image.value().size();
}

Result<QImage, Failure> read(const QString &path)
{
    QImageReader reader;
    if (const auto declared = openChecked(reader, path); !declared.ok())
        return declared.error();
    auto decoded = decode(reader);
    if (!decoded.ok())
        return decoded.error();
    QImage image = std::move(decoded).value();
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
