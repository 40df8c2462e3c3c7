#pragma once

#include "foundation/Result.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// Reads the first image of an atlas file for the decoder, the thumbnails and the image cache.
// Atlases are untrusted input: the declared size is checked against a memory budget before any
// pixel is decoded, and the reader's own allocation limit backs that up for formats that cannot
// tell their size up front.
namespace AtlasImageReader {

// Largest decoded atlas accepted: width x height x 4 bytes.
inline constexpr qint64 maxDecodedBytes = qint64(512) * 1024 * 1024;

enum class Failure {
    Unreadable, // no reader for the bytes, no first image, too large, or decoding failed
    Empty, // the image is less than one pixel wide or high
};

// True when a width x height atlas, four bytes a pixel, stays within maxDecodedBytes.
bool fitsDecodeBudget(qint64 width, qint64 height);

// The first image's size as read() would decode it, and the same failures, without decoding when
// the header declares the size (a still WebP's header is read directly). Validation uses it so
// that it refuses exactly what read() refuses.
Result<QSize, Failure> probe(const QString &path);

// The file's first image as a 32-bit premultiplied image (Format_ARGB32_Premultiplied), colour
// matched to sRGB when the file carries another colour space. The format is decided by content,
// not by the file's suffix; vector formats are not atlases and count as unreadable.
Result<QImage, Failure> read(const QString &path);

// A band of the image: its rows top ... top + band.height() - 1, Format_ARGB32_Premultiplied.
// Returning false stops the reading.
using BandSink = std::function<bool(const QImage &band, int top)>;
// Reads a WebP atlas that is one still image without a colour profile (what read() would give)
// band by band, top to bottom, bands of bandHeight(size) rows and the rest in the last, so that
// no second full-size copy of the atlas is ever made. Nothing (and take is never called) when the
// file is no such WebP, bandHeight declines (0) or there would be more than maxBands bands: read()
// it instead. Each band is decoded from the top of the image again, so the bands must be few.
inline constexpr int maxBands = 12;
std::optional<Result<QSize, Failure>> readWebpInBands(
    const QString &path, const std::function<int(QSize size)> &bandHeight, const BandSink &take);

// One rectangle of such a WebP, as readWebpInBands() gives its pixels: rect(size) says which, from
// the image's size. Only the rows down to its bottom are decoded, and only the rectangle is kept.
// Nothing when the file is no such WebP, or rect declines or does not lie inside the image.
std::optional<QImage> readWebpRect(const QString &path, const std::function<std::optional<QRect>(QSize size)> &rect);

}
