#pragma once

#include "foundation/Result.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

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
// the header declares the size. Validation uses it so that it refuses exactly what read() refuses.
Result<QSize, Failure> probe(const QString &path);

// The file's first image as a 32-bit premultiplied image (Format_ARGB32_Premultiplied), colour
// matched to sRGB when the file carries another colour space. The format is decided by content,
// not by the file's suffix; vector formats are not atlases and count as unreadable.
Result<QImage, Failure> read(const QString &path);

}
