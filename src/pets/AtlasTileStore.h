#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <optional>

// A premultiplied 32-bit image held compactly: cut into a grid of tiles, each kept only within the
// bounding box of its non-zero pixels and compressed losslessly. Atlases are mostly transparent
// and flat-coloured, so a 1536 x 1872 atlas of 11 MB decoded keeps well under 1 MB this way;
// copy() rebuilds any rectangle pixel for pixel.
//
// Immutable once built, so any thread may read it.
class AtlasTileStore {
public:
    // Cuts image (converted to Format_ARGB32_Premultiplied first when it is not) into tiles of
    // tileSize from its top-left corner; the tiles at the right and bottom edges are cut short.
    // Absent for a null image or tile size, or when memory for the compressed tiles runs out.
    static std::optional<AtlasTileStore> build(const QImage &image, QSize tileSize);

    // The same filled band by band, for an image decoded a band at a time: starts empty for an
    // image of size.
    AtlasTileStore(QSize size, QSize tileSize);
    // Adds the next band: the image's next tileSize.height() rows (the rest of them for the last
    // band), as wide as the image, Format_ARGB32_Premultiplied. False when the band is not that or
    // memory for the compressed tiles runs out.
    bool appendBand(const QImage &band);
    bool isComplete() const { return m_rowsStored == m_size.height(); }

    QSize size() const { return m_size; }
    // Compressed bytes held, for diagnostics.
    qsizetype storedBytes() const;

    // The rectangle's pixels, Format_ARGB32_Premultiplied; a null image when the rectangle is
    // empty or not wholly inside the image, or when memory runs out.
    QImage copy(const QRect &rect) const;

private:
    struct Tile {
        QRect content; // where the tile's non-zero pixels lie, in image coordinates; empty when none
        QByteArray pixels; // content's rows, 4 bytes a pixel, compressed
    };

    QSize m_size;
    QSize m_tileSize;
    int m_tileColumns = 0;
    int m_rowsStored = 0;
    QList<Tile> m_tiles; // row by row
};
