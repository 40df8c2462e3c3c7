#include "pets/AtlasImageReader.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <webp/decode.h>

#include <algorithm>

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

// The size in the header of a WebP that holds one still image; nothing for anything else, or when
// the header does not tell.
std::optional<QSize> stillWebpSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(4096);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WEBP")
        return std::nullopt;
    WebPBitstreamFeatures features {};
    const auto *data = reinterpret_cast<const uint8_t *>(head.constData());
    if (WebPGetFeatures(data, size_t(head.size()), &features) != VP8_STATUS_OK || features.has_animation)
        return std::nullopt;
    return QSize(features.width, features.height);
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
    // A still WebP tells its size in its first bytes. Asking QImageReader instead would have Qt
    // load its image format plugins to learn what the file is, at every start.
    if (const std::optional<QSize> size = stillWebpSize(path)) {
        if (size->isEmpty())
            return Failure::Empty;
        if (!fitsDecodeBudget(size->width(), size->height()))
            return Failure::Unreadable;
        return *size;
    }
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

namespace {

// The file's bytes when it is a WebP that libwebp alone decodes as read() would: a still image
// with no colour profile (read() matches a profile to sRGB).
std::optional<QByteArray> plainWebp(const QString &path, WebPBitstreamFeatures &features)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 21 || file.size() > maxDecodedBytes)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size() || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WEBP")
        return std::nullopt;
    // The extended header's flags: 0x20 is an ICC profile.
    constexpr char iccFlag = 0x20;
    if (bytes.mid(12, 4) == "VP8X" && (bytes.at(20) & iccFlag))
        return std::nullopt;
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
    if (WebPGetFeatures(data, size_t(bytes.size()), &features) != VP8_STATUS_OK || features.has_animation)
        return std::nullopt;
    return bytes;
}

// The rectangle of the WebP in bytes, Format_ARGB32_Premultiplied; null when it cannot be decoded.
QImage decodeRect(const QByteArray &bytes, const QRect &rect)
{
    QImage image(rect.size(), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return {};
    config.options.use_cropping = 1;
    config.options.crop_left = rect.left();
    config.options.crop_top = rect.top();
    config.options.crop_width = rect.width();
    config.options.crop_height = rect.height();
    // Little-endian BGRA is Format_ARGB32, as Qt's own WebP reader decodes it.
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
    if (WebPDecode(data, size_t(bytes.size()), &config) != VP8_STATUS_OK)
        return {};
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace

std::optional<Result<QSize, Failure>> readWebpInBands(
    const QString &path, const std::function<int(QSize size)> &bandHeight, const BandSink &take)
{
    WebPBitstreamFeatures features {};
    const std::optional<QByteArray> bytes = plainWebp(path, features);
    if (!bytes)
        return std::nullopt;
    const QSize size(features.width, features.height);
    if (size.isEmpty())
        return Result<QSize, Failure>(Failure::Empty);
    if (!fitsDecodeBudget(size.width(), size.height()))
        return Result<QSize, Failure>(Failure::Unreadable);
    const int height = std::min(bandHeight(size), size.height());
    if (height < 1 || (size.height() + height - 1) / height > maxBands)
        return std::nullopt;

    for (int top = 0; top < size.height(); top += height) {
        const QImage band = decodeRect(*bytes, QRect(0, top, size.width(), std::min(height, size.height() - top)));
        if (band.isNull() || !take(band, top))
            return Result<QSize, Failure>(Failure::Unreadable);
    }
    return Result<QSize, Failure>(size);
}

std::optional<QImage> readWebpRect(const QString &path, const std::function<std::optional<QRect>(QSize size)> &rect)
{
    WebPBitstreamFeatures features {};
    const std::optional<QByteArray> bytes = plainWebp(path, features);
    if (!bytes)
        return std::nullopt;
    const QSize size(features.width, features.height);
    if (size.isEmpty() || !fitsDecodeBudget(size.width(), size.height()))
        return std::nullopt;
    const std::optional<QRect> wanted = rect(size);
    if (!wanted || wanted->isEmpty() || !QRect(QPoint(), size).contains(*wanted))
        return std::nullopt;
    QImage image = decodeRect(*bytes, *wanted);
    if (image.isNull())
        return std::nullopt;
    return image;
}

}
