#include "pets/AtlasTileStore.h"

#include <algorithm>
#include <cstring>

namespace {

// Fast compression: it runs while a pet loads, and the atlases' long flat runs shrink well
// at any level.
constexpr int compressionLevel = 1;

const quint32 *pixelAt(const QImage &image, int x, int y)
{
    return reinterpret_cast<const quint32 *>(image.constScanLine(y)) + x;
}

// The smallest rectangle inside area holding every non-zero pixel; empty when there is none.
QRect contentBounds(const QImage &image, const QRect &area)
{
    int left = area.right() + 1, right = area.left() - 1, top = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const quint32 *line = pixelAt(image, area.left(), y);
        int first = 0;
        while (first < area.width() && line[first] == 0)
            ++first;
        if (first == area.width())
            continue;
        int last = area.width() - 1;
        while (line[last] == 0)
            --last;
        left = std::min(left, area.left() + first);
        right = std::max(right, area.left() + last);
        if (top < 0)
            top = y;
        bottom = y;
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

std::optional<AtlasTileStore> AtlasTileStore::build(const QImage &image, QSize tileSize)
{
    if (image.isNull() || tileSize.isEmpty())
        return std::nullopt;
    const QImage source = image.format() == QImage::Format_ARGB32_Premultiplied
        ? image
        : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.isNull())
        return std::nullopt;
    AtlasTileStore store(source.size(), tileSize);
    for (int top = 0; top < source.height(); top += tileSize.height()) {
        // A view of the band, sharing the image's pixels.
        const QImage band(source.constScanLine(top), source.width(), std::min(tileSize.height(), source.height() - top),
            source.bytesPerLine(), source.format());
        if (!store.appendBand(band))
            return std::nullopt;
    }
    return store;
}

AtlasTileStore::AtlasTileStore(QSize size, QSize tileSize)
    : m_size(size)
    , m_tileSize(tileSize.isEmpty() ? QSize(1, 1) : tileSize)
    , m_tileColumns((size.width() + m_tileSize.width() - 1) / m_tileSize.width())
{
    const int tileRows = (size.height() + m_tileSize.height() - 1) / m_tileSize.height();
    m_tiles.reserve(qsizetype(m_tileColumns) * tileRows);
}

bool AtlasTileStore::appendBand(const QImage &band)
{
    if (band.format() != QImage::Format_ARGB32_Premultiplied || band.width() != m_size.width()
        || band.height() != std::min(m_tileSize.height(), m_size.height() - m_rowsStored))
        return false;
    QByteArray rows;
    for (int tileX = 0; tileX < m_tileColumns; ++tileX) {
        const QRect area = QRect(QPoint(tileX * m_tileSize.width(), 0), m_tileSize).intersected(band.rect());
        Tile tile;
        const QRect content = contentBounds(band, area);
        if (!content.isEmpty()) {
            const qsizetype lineBytes = qsizetype(content.width()) * 4;
            rows.resize(lineBytes * content.height());
            for (int y = 0; y < content.height(); ++y)
                std::memcpy(
                    rows.data() + y * lineBytes, pixelAt(band, content.left(), content.top() + y), size_t(lineBytes));
            tile.pixels = qCompress(rows, compressionLevel);
            if (tile.pixels.isEmpty())
                return false;
            // qCompress leaves room for data that did not compress at all.
            tile.pixels.squeeze();
            tile.content = content.translated(0, m_rowsStored);
        }
        m_tiles.append(std::move(tile));
    }
    m_rowsStored += band.height();
    return true;
}

qsizetype AtlasTileStore::storedBytes() const
{
    qsizetype bytes = 0;
    for (const Tile &tile : m_tiles)
        bytes += tile.pixels.size();
    return bytes;
}

QImage AtlasTileStore::copy(const QRect &rect) const
{
    if (rect.isEmpty() || !isComplete() || !QRect(QPoint(), m_size).contains(rect))
        return {};
    QImage frame(rect.size(), QImage::Format_ARGB32_Premultiplied);
    if (frame.isNull())
        return {};
    frame.fill(0);
    const int firstColumn = rect.left() / m_tileSize.width(), lastColumn = rect.right() / m_tileSize.width();
    const int firstRow = rect.top() / m_tileSize.height(), lastRow = rect.bottom() / m_tileSize.height();
    for (int tileY = firstRow; tileY <= lastRow; ++tileY) {
        for (int tileX = firstColumn; tileX <= lastColumn; ++tileX) {
            const Tile &tile = m_tiles.at(qsizetype(tileY) * m_tileColumns + tileX);
            const QRect part = tile.content.intersected(rect);
            if (part.isEmpty())
                continue;
            const QByteArray pixels = qUncompress(tile.pixels);
            const qsizetype lineBytes = qsizetype(tile.content.width()) * 4;
            if (pixels.size() != lineBytes * tile.content.height())
                return {}; // out of memory
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const char *from = pixels.constData() + (y - tile.content.top()) * lineBytes
                    + qsizetype(part.left() - tile.content.left()) * 4;
                std::memcpy(frame.scanLine(y - rect.top()) + qsizetype(part.left() - rect.left()) * 4, from,
                    size_t(part.width()) * 4);
            }
        }
    }
    return frame;
}
