#pragma once

#include "pets/PetManifest.h"
#include "pets/SpriteSheetDecoder.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>

#include <memory>
#include <optional>

// A tiny in-memory atlas whose every frame says where it came from: by default cells of 16 x 16
// pixels, four per row (manifest() with other numbers gives other cells), row r holding
// framesPerRow[r] opaque cells from column 0. A cell's left half is colour(row, column) and its
// right half black, so scaled drawing can be checked for hard pixels.
namespace FrameAtlas {

inline constexpr int cellSize = 16;
inline constexpr int columns = 4;

inline QColor colour(int row, int column)
{
    return QColor(40 + 50 * column, 40 + 50 * row, 200);
}

inline PetManifest manifest(int frameWidth = cellSize, int frameHeight = cellSize, int cellsPerRow = columns)
{
    PetManifest manifest;
    manifest.id = QStringLiteral("frame-atlas");
    manifest.displayName = QStringLiteral("Frame Atlas");
    manifest.frameWidth = frameWidth;
    manifest.frameHeight = frameHeight;
    manifest.columns = cellsPerRow;
    return manifest;
}

inline std::shared_ptr<SpriteSheetDecoder> decoder(const QList<int> &framesPerRow, PetManifest manifest = manifest())
{
    const int width = int(manifest.frameWidth);
    const int height = int(manifest.frameHeight);
    QImage atlas(int(manifest.columns) * width, int(framesPerRow.size()) * height, QImage::Format_ARGB32);
    atlas.fill(Qt::transparent);
    QPainter painter(&atlas);
    for (int row = 0; row < framesPerRow.size(); ++row) {
        for (int column = 0; column < framesPerRow.at(row); ++column) {
            const QRect cell(column * width, row * height, width, height);
            painter.fillRect(cell, Qt::black);
            painter.fillRect(QRect(cell.topLeft(), QSize(width / 2, height)), colour(row, column));
        }
    }
    painter.end();
    auto created = SpriteSheetDecoder::create(manifest, atlas);
    if (!created.ok())
        qFatal("FrameAtlas: the decoder refused the atlas");
    return created.value();
}

struct Cell {
    int row = -1;
    int column = -1;
    friend bool operator==(const Cell &, const Cell &) = default;
};

// The cell a frame was cropped from, read from its top-left pixel.
inline std::optional<Cell> identify(const QImage &frame)
{
    if (frame.isNull())
        return std::nullopt;
    const QColor pixel = frame.pixelColor(1, 1);
    if (pixel.alpha() != 255 || pixel.blue() != 200 || (pixel.red() - 40) % 50 || (pixel.green() - 40) % 50)
        return std::nullopt;
    return Cell { (pixel.green() - 40) / 50, (pixel.red() - 40) / 50 };
}

}
