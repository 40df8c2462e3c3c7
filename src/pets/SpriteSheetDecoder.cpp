#include "pets/SpriteSheetDecoder.h"

#include "pets/AtlasImageReader.h"

#include <QFutureWatcher>
#include <QMutexLocker>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>
#include <QtNumeric>

#include <qcoro/qcorofuture.h>

#include <algorithm>
#include <optional>
#include <variant>

QString SpriteSheetDecoder::DecodeError::description() const
{
    switch (m_kind) {
    case Kind::Unreadable:
        return QStringLiteral(
            "spritesheet.webp could not be decoded. The file may be corrupted or use an unsupported format.");
    case Kind::EmptyAtlas: return QStringLiteral("spritesheet.webp decoded to an empty image.");
    }
    return {};
}

Result<std::shared_ptr<SpriteSheetDecoder>, SpriteSheetDecoder::DecodeError> SpriteSheetDecoder::create(
    const PetManifest &manifest, const QString &path)
{
    return create(manifest, path, std::nullopt, {});
}

SpriteSheetDecoder::Created SpriteSheetDecoder::create(const PetManifest &manifest, const QString &path,
    std::optional<FrameKey> early, const std::function<void(const QImage &)> &takeEarly)
{
    // The early cell alone comes first: decoding the rows above it once more costs less than making
    // the caller wait for the whole band around it.
    if (early) {
        const auto cell = AtlasImageReader::readWebpRect(path,
            [&](QSize size) { return cellsFit(manifest, size) ? cellRect(manifest, size, *early) : std::nullopt; });
        if (cell)
            takeEarly(*cell);
    }
    // A plain WebP atlas of whole cells is measured and compressed a band of cells at a time, as it
    // is decoded, so that it never exists whole beside the decoder's own working copy.
    std::optional<AtlasTileStore> tiles;
    QList<qint64> rowFrameCounts;
    const auto banded = AtlasImageReader::readWebpInBands(
        path,
        [&](QSize size) {
            if (!cellsFit(manifest, size))
                return 0;
            const QSize tile = tileSize(manifest, size);
            tiles.emplace(size, tile);
            return tile.height();
        },
        [&](const QImage &band, int) {
            for (qint64 row = 0; row < band.height() / manifest.frameHeight; ++row)
                rowFrameCounts.append(scanFrameCount(band, manifest, row));
            return tiles->appendBand(band);
        });
    if (banded) {
        if (!banded->ok())
            return banded->error() == AtlasImageReader::Failure::Empty ? DecodeError::emptyAtlas()
                                                                       : DecodeError::unreadable();
        return std::shared_ptr<SpriteSheetDecoder>(
            new SpriteSheetDecoder(manifest, std::move(*tiles), QColorSpace(), std::move(rowFrameCounts)));
    }

    auto read = AtlasImageReader::read(path);
    if (!read.ok()) {
        return read.error() == AtlasImageReader::Failure::Empty ? DecodeError::emptyAtlas() : DecodeError::unreadable();
    }
    return create(manifest, read.value());
}

QCoro::Task<SpriteSheetDecoder::Created> SpriteSheetDecoder::createInBackground(
    const PetManifest &manifest, const QString &path)
{
    return createInBackground(manifest, path, EarlyCell());
}

QCoro::Task<SpriteSheetDecoder::Created> SpriteSheetDecoder::createInBackground(
    const PetManifest &manifest, const QString &path, EarlyCell early)
{
    // The worker reports the early cell, when it is wanted and decoded, then the decoder. It gets
    // its own copies before the first suspension. QFuture wants a default value, which Result has
    // not, hence the image first in the variant.
    using Step = std::variant<QImage, Created>;
    std::optional<FrameKey> wanted;
    if (early.take && early.context)
        wanted = FrameKey { early.row, early.column };
    QFuture<Step> work = QtConcurrent::run([manifest, path, wanted](QPromise<Step> &promise) {
        const auto handOver = [&promise](const QImage &cell) { promise.addResult(Step(cell)); };
        promise.addResult(Step(create(manifest, path, wanted, handOver)));
    });
    QFutureWatcher<Step> watcher;
    if (wanted) {
        QObject::connect(&watcher, &QFutureWatcherBase::resultsReadyAt, early.context,
            [&watcher, take = std::move(early.take)](int begin, int end) {
                for (int index = begin; index < end; ++index) {
                    const Step step = watcher.resultAt(index);
                    if (const QImage *cell = std::get_if<QImage>(&step))
                        take(*cell);
                }
            });
        watcher.setFuture(work);
    }
    co_await work; // hands back the first result; the last one is the decoder
    const QList<Step> steps = work.results();
    const Created *created = steps.isEmpty() ? nullptr : std::get_if<Created>(&steps.last());
    co_return created ? *created : Created(DecodeError::unreadable());
}

Result<std::shared_ptr<SpriteSheetDecoder>, SpriteSheetDecoder::DecodeError> SpriteSheetDecoder::create(
    const PetManifest &manifest, const QImage &atlas)
{
    if (atlas.width() < 1 || atlas.height() < 1)
        return DecodeError::emptyAtlas();
    const QImage base = forceDecoded(atlas);
    if (base.isNull())
        return DecodeError::unreadable(); // no memory for the 32-bit copy
    // Rows are measured now, while the decoded atlas is at hand.
    QList<qint64> rowFrameCounts;
    if (manifest.frameHeight >= 1) {
        const qint64 rowCount = base.height() / manifest.frameHeight;
        for (qint64 row = 0; row < rowCount; ++row)
            rowFrameCounts.append(scanFrameCount(base, manifest, row));
    }
    auto tiles = AtlasTileStore::build(base, tileSize(manifest, base.size()));
    if (!tiles)
        return DecodeError::unreadable(); // no memory for the tiles
    return std::shared_ptr<SpriteSheetDecoder>(
        new SpriteSheetDecoder(manifest, std::move(*tiles), base.colorSpace(), std::move(rowFrameCounts)));
}

SpriteSheetDecoder::SpriteSheetDecoder(
    const PetManifest &manifest, AtlasTileStore tiles, QColorSpace colorSpace, QList<qint64> rowFrameCounts)
    : m_manifest(manifest)
    , m_tiles(std::move(tiles))
    , m_colorSpace(std::move(colorSpace))
    , m_rowFrameCounts(std::move(rowFrameCounts))
    , m_nonEmptyRows([this] {
        QList<qint64> rows;
        for (qsizetype row = 0; row < m_rowFrameCounts.size(); ++row) {
            if (m_rowFrameCounts.at(row) > 0)
                rows.append(row);
        }
        return rows;
    }())
{
}

QImage SpriteSheetDecoder::forceDecoded(const QImage &image)
{
    if (image.isNull() || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool SpriteSheetDecoder::cellsFit(const PetManifest &manifest, QSize atlas)
{
    return manifest.frameWidth >= 1 && manifest.frameWidth <= atlas.width() && manifest.frameHeight >= 1
        && manifest.frameHeight <= atlas.height();
}

QSize SpriteSheetDecoder::tileSize(const PetManifest &manifest, QSize atlas)
{
    constexpr int minimumSide = 64;
    if (!cellsFit(manifest, atlas))
        return { 4 * minimumSide, 4 * minimumSide };
    // Both sides are at most the atlas's (32-bit) size here; a tile may reach past the atlas.
    const auto side = [](qint64 cell) { return int(cell * ((minimumSide + cell - 1) / cell)); };
    return { side(manifest.frameWidth), side(manifest.frameHeight) };
}

std::optional<QRect> SpriteSheetDecoder::cellRect(const PetManifest &manifest, QSize atlas, FrameKey cell)
{
    const qint64 frameWidth = manifest.frameWidth;
    const qint64 frameHeight = manifest.frameHeight;
    if (frameWidth < 1 || frameHeight < 1 || cell.row < 0 || cell.column < 0)
        return std::nullopt;
    qint64 x = 0, y = 0, right = 0, bottom = 0;
    if (qMulOverflow(cell.column, frameWidth, &x) || qMulOverflow(cell.row, frameHeight, &y)
        || qAddOverflow(x, frameWidth, &right) || qAddOverflow(y, frameHeight, &bottom))
        return std::nullopt;
    if (right > atlas.width() || bottom > atlas.height())
        return std::nullopt;
    // Everything now lies inside the image, so it fits in int.
    return QRect(int(x), int(y), int(frameWidth), int(frameHeight));
}

QSize SpriteSheetDecoder::frameSize() const
{
    return { int(std::clamp<qint64>(m_manifest.frameWidth, 1, pixelWidth())),
        int(std::clamp<qint64>(m_manifest.frameHeight, 1, pixelHeight())) };
}

QImage SpriteSheetDecoder::image(qint64 row, qint64 column) const
{
    const FrameKey key { row, column };
    {
        QMutexLocker lock(&m_mutex);
        const auto cached = m_frameCache.constFind(key);
        if (cached != m_frameCache.cend())
            return *cached; // a hit does not change the eviction order
    }

    const std::optional<QRect> cell = cellRect(m_manifest, m_tiles.size(), key);
    if (!cell)
        return {};
    QImage frame = m_tiles.copy(*cell);
    if (frame.isNull())
        return {};
    if (m_colorSpace.isValid())
        frame.setColorSpace(m_colorSpace);

    QMutexLocker lock(&m_mutex);
    // Another thread may have cropped the same frame meanwhile; keep the stored one so that the
    // key stands in the eviction order only once.
    const auto raced = m_frameCache.constFind(key);
    if (raced != m_frameCache.cend())
        return *raced;
    m_frameCache.insert(key, frame);
    m_frameCacheOrder.append(key);
    while (m_frameCacheOrder.size() > frameCacheLimit)
        m_frameCache.remove(m_frameCacheOrder.takeFirst());
    return frame;
}

QList<SpriteSheetDecoder::FrameKey> SpriteSheetDecoder::cachedFrameKeys() const
{
    QMutexLocker lock(&m_mutex);
    return m_frameCacheOrder;
}

qint64 SpriteSheetDecoder::scanFrameCount(const QImage &atlas, const PetManifest &manifest, qint64 row)
{
    const qint64 frameWidth = manifest.frameWidth;
    const qint64 frameHeight = manifest.frameHeight;
    const qint64 cols = std::min(qint64(atlas.width()) / std::max<qint64>(frameWidth, 1), manifest.columns);
    if (cols < 1 || frameHeight < 1)
        return 1;
    qint64 rowEnd = 0;
    if (row < 0 || qAddOverflow(row, qint64(1), &rowEnd) || qMulOverflow(rowEnd, frameHeight, &rowEnd)
        || rowEnd > atlas.height())
        return 1;
    qint64 stripWidth = 0;
    if (qMulOverflow(cols, frameWidth, &stripWidth) || stripWidth < 8)
        return 1;

    // From here every number is bounded by the image's size: stripWidth <= pixelWidth (cols is at
    // most pixelWidth / frameWidth) and rowEnd <= pixelHeight.
    const int w8 = int(stripWidth / 8);
    const int h8 = int(std::max<qint64>(frameHeight, 8) / 8);
    const int top = int(rowEnd - frameHeight);

    // A view of the row's strip (it starts at x = 0), sharing the atlas's pixels.
    const QImage strip(
        atlas.constScanLine(top), int(stripWidth), int(frameHeight), atlas.bytesPerLine(), atlas.format());
    // Smooth scaling averages each 8 x 8 block, so faint or tiny specks stay at or below the
    // threshold.
    const QImage alpha
        = strip.scaled(w8, h8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_Alpha8);
    if (alpha.isNull() || alpha.width() != w8 || alpha.height() != h8)
        return 1;

    // The strongest alpha of each column of the reduced strip.
    QList<uchar> columnMax(w8, 0);
    for (int y8 = 0; y8 < h8; ++y8) {
        const uchar *line = alpha.constScanLine(y8);
        for (int x8 = 0; x8 < w8; ++x8)
            columnMax[x8] = std::max(columnMax[x8], line[x8]);
    }

    // Cell i spans [i x frameWidth, (i + 1) x frameWidth) of the strip, which is
    // [i x frameWidth x w8 / stripWidth, ...) of the reduced strip. A reduced column belongs to
    // the cell its left edge lies in, so a column shared by two cells counts for the earlier
    // one: the later cell is never lit by its neighbour's content. A cell too narrow to own a
    // column reads the column it starts in. The products stay below pixelWidth x w8.
    const auto reducedCeil = [&](qint64 x) { return (x * w8 + stripWidth - 1) / stripWidth; };
    qint64 lastNonEmpty = -1;
    for (qint64 i = 0; i < cols; ++i) {
        qint64 begin = reducedCeil(i * frameWidth);
        qint64 end = std::min(reducedCeil((i + 1) * frameWidth), qint64(w8));
        if (begin >= end) {
            begin = std::min(i * frameWidth * w8 / stripWidth, qint64(w8) - 1);
            end = begin + 1;
        }
        for (qint64 x8 = begin; x8 < end; ++x8) {
            if (columnMax[x8] > alphaThreshold) {
                lastNonEmpty = i;
                break;
            }
        }
    }
    return lastNonEmpty + 1;
}

qint64 SpriteSheetDecoder::effectiveFrameCount(qint64 row) const
{
    return row >= 0 && row < m_rowFrameCounts.size() ? m_rowFrameCounts.at(row) : 1;
}
