#pragma once

#include "foundation/Result.h"
#include "pets/AtlasTileStore.h"
#include "pets/PetManifest.h"

#include <QColorSpace>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>

// Turns a pet's atlas into animation frames. Cell (row r, column c) is the frameWidth x frameHeight
// rectangle at (c x frameWidth, r x frameHeight) from the image's top-left; each row is one
// animation running left to right from column 0. The atlas is decoded once, up front, into
// premultiplied 32-bit pixels (a plain WebP a band of cell rows at a time), which are measured (how
// many frames each row really holds, from its transparency) and then kept only as compressed
// tiles (AtlasTileStore): a decoded atlas is megabytes of mostly transparent pixels, a frame a few
// hundred kilobytes. Frames are rebuilt from the tiles on demand, the last 16 of them cached.
//
// One decoder exists per loaded pet, shared (std::shared_ptr) by the animation player, the previews
// and whatever asks which rows are usable. Every member function may be called from any thread.
// Out-of-range requests and absurd manifest numbers (negative, or so large that a product would
// overflow 64 bits) give an absent frame, never a failure.
class SpriteSheetDecoder {
public:
    // Why an atlas cannot be used. description() is a finished sentence for an alert; it names
    // spritesheet.webp whatever the atlas file is called.
    class DecodeError {
    public:
        enum class Kind { Unreadable, EmptyAtlas };

        static DecodeError unreadable() { return DecodeError(Kind::Unreadable); }
        static DecodeError emptyAtlas() { return DecodeError(Kind::EmptyAtlas); }

        Kind kind() const { return m_kind; }
        QString description() const;

        friend bool operator==(const DecodeError &, const DecodeError &) = default;

    private:
        explicit DecodeError(Kind kind)
            : m_kind(kind)
        {
        }

        Kind m_kind;
    };

    struct FrameKey {
        qint64 row = 0;
        qint64 column = 0;

        friend bool operator==(const FrameKey &, const FrameKey &) = default;
        friend size_t qHash(const FrameKey &key, size_t seed = 0) { return qHashMulti(seed, key.row, key.column); }
    };

    static constexpr qsizetype frameCacheLimit = 16;
    // Alpha above this, after the row is reduced to an eighth of its size, makes a cell count.
    static constexpr int alphaThreshold = 32;

    // Reads the atlas at path (a file path or a ":/" resource path): Unreadable when no reader
    // takes the bytes, the declared size exceeds 512 MiB decoded, or decoding fails; EmptyAtlas
    // when the image is less than one pixel wide or high.
    static Result<std::shared_ptr<SpriteSheetDecoder>, DecodeError> create(
        const PetManifest &manifest, const QString &path);
    // The same from an image already in memory (a null image is EmptyAtlas). Used by tests and
    // previews that paint their own atlas.
    static Result<std::shared_ptr<SpriteSheetDecoder>, DecodeError> create(
        const PetManifest &manifest, const QImage &atlas);

    // A cell wanted before the whole atlas is decoded, to show something meanwhile: take gets it,
    // on the thread that awaits the decoder and while context lives, as image(row, column) will
    // give it. It is decoded alone, first, when the atlas is a still WebP without a colour profile
    // (see AtlasImageReader::readWebpRect), and does not come at all otherwise or when the cell
    // does not lie wholly inside the atlas.
    struct EarlyCell {
        qint64 row = 0;
        qint64 column = 0;
        QObject *context = nullptr;
        std::function<void(const QImage &cell)> take;
    };

    // create(manifest, path) on a worker thread, which also measures the rows; the result is
    // handed back to the thread that awaits it.
    using Created = Result<std::shared_ptr<SpriteSheetDecoder>, DecodeError>;
    static QCoro::Task<Created> createInBackground(const PetManifest &manifest, const QString &path);
    static QCoro::Task<Created> createInBackground(const PetManifest &manifest, const QString &path, EarlyCell early);

    SpriteSheetDecoder(const SpriteSheetDecoder &) = delete;
    SpriteSheetDecoder &operator=(const SpriteSheetDecoder &) = delete;

    const PetManifest &manifest() const { return m_manifest; }
    int pixelWidth() const { return m_tiles.size().width(); }
    int pixelHeight() const { return m_tiles.size().height(); }
    // Bytes the compressed atlas takes (diagnostics).
    qsizetype storedBytes() const { return m_tiles.storedBytes(); }
    // The manifest's cell size held to 1 ... the atlas's size in each direction: what a window may
    // be sized from, whatever numbers the manifest holds.
    QSize frameSize() const;

    // One frame, Format_ARGB32_Premultiplied, frameWidth x frameHeight; a null QImage when the cell
    // does not lie wholly inside the atlas. A cached frame is returned as is (same cacheKey()).
    QImage image(qint64 row, qint64 column) const;

    // Frames measured in the row (when the atlas was decoded): index of the last non-empty cell
    // + 1, gaps counted; 0 for a fully transparent row; 1 for a row that cannot be measured
    // (partly or wholly below the image, degenerate cell size).
    qint64 effectiveFrameCount(qint64 row) const;

    // Ascending rows 0 ... pixelHeight / frameHeight - 1 whose effective frame count is above 0.
    // A partial last row is ignored.
    QList<qint64> nonEmptyRows() const { return m_nonEmptyRows; }

    // The frame cache's keys, oldest first (for tests and diagnostics).
    QList<FrameKey> cachedFrameKeys() const;

    // image as Format_ARGB32_Premultiplied (a null image stays null).
    static QImage forceDecoded(const QImage &image);

private:
    // create(manifest, path), handing the cell `early` to takeEarly (on the decoding thread) as soon
    // as it is decoded.
    static Created create(const PetManifest &manifest, const QString &path, std::optional<FrameKey> early,
        const std::function<void(const QImage &)> &takeEarly);
    SpriteSheetDecoder(
        const PetManifest &manifest, AtlasTileStore tiles, QColorSpace colorSpace, QList<qint64> rowFrameCounts);

    // Tiles of whole cells, at least 64 pixels a side, so that a frame is rebuilt from one tile;
    // fixed squares when the cells do not fit the atlas.
    static QSize tileSize(const PetManifest &manifest, QSize atlas);
    // Whether at least one whole cell fits the atlas in each direction.
    static bool cellsFit(const PetManifest &manifest, QSize atlas);
    // Where the cell lies in an atlas of that size; absent unless it lies wholly inside.
    static std::optional<QRect> cellRect(const PetManifest &manifest, QSize atlas, FrameKey cell);
    // How many frames the row starting at row x frameHeight holds, read from the decoded atlas.
    static qint64 scanFrameCount(const QImage &atlas, const PetManifest &manifest, qint64 row);

    const PetManifest m_manifest;
    const AtlasTileStore m_tiles;
    const QColorSpace m_colorSpace;
    // Measured counts of rows 0 ... pixelHeight / frameHeight - 1, and those above 0.
    const QList<qint64> m_rowFrameCounts;
    const QList<qint64> m_nonEmptyRows;

    mutable QMutex m_mutex; // guards the frame cache
    mutable QHash<FrameKey, QImage> m_frameCache;
    mutable QList<FrameKey> m_frameCacheOrder;
};
