#include "pets/AtlasImageReader.h"
#include "pets/SpriteSheetDecoder.h"

#include "support/AwaitTask.h"
#include "support/FrameAtlas.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <limits>

namespace {

constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

// Content painted into one atlas cell: a rectangle inset by `inset` pixels, or the whole cell.
struct CellFill {
    int row;
    int column;
    int alpha = 255;
    int inset = 20;
};

QImage paintAtlas(int width, int height, const QList<CellFill> &fills, int cellWidth = 192, int cellHeight = 208)
{
    QImage atlas(width, height, QImage::Format_ARGB32);
    atlas.fill(Qt::transparent);
    QPainter painter(&atlas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const CellFill &fill : fills) {
        const QRect cell(fill.column * cellWidth, fill.row * cellHeight, cellWidth, cellHeight);
        painter.fillRect(cell.adjusted(fill.inset, fill.inset, -fill.inset, -fill.inset),
            QColor(40 + fill.column * 20, 200 - fill.row * 20, 90, fill.alpha));
    }
    return atlas;
}

QByteArray encode(const QImage &image, const QByteArray &format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (format == "webp")
        writer.setQuality(100); // lossless in Qt's WebP plugin
    if (!writer.write(image))
        qFatal("cannot encode %s", format.constData());
    return bytes;
}

void writeImage(const QImage &image, const QString &path, const QByteArray &format)
{
    PetFixtures::writeFile(path, encode(image, format));
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void putBigEndian32(QByteArray &bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (24 - 8 * i)) & 0xFF);
}

// A genuine small PNG whose IHDR (with a correct CRC) claims width x height.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QImage small(4, 4, QImage::Format_ARGB32);
    small.fill(Qt::red);
    QByteArray png = encode(small, "png");
    // Signature (8), IHDR length (4), "IHDR" (4), width (4), height (4), ... CRC after 13 bytes.
    putBigEndian32(png, 16, width);
    putBigEndian32(png, 20, height);
    putBigEndian32(png, 29, crc32(png.mid(12, 17)));
    return png;
}

PetManifest manifestWithCells(qint64 frameWidth, qint64 frameHeight, qint64 columns = 8)
{
    PetManifest manifest;
    manifest.id = QStringLiteral("test-pet");
    manifest.displayName = QStringLiteral("Test Pet");
    manifest.frameWidth = frameWidth;
    manifest.frameHeight = frameHeight;
    manifest.columns = columns;
    return manifest;
}

// The rows of the main fixture and what each must measure.
const QList<CellFill> &fixtureFills()
{
    static const QList<CellFill> fills = [] {
        QList<CellFill> list;
        for (int column = 0; column < 8; ++column)
            list.append({ 0, column }); // row 0: full, 8
        for (int column = 0; column < 5; ++column)
            list.append({ 1, column }); // row 1: last three transparent, 5
        list.append({ 2, 6 }); // row 2: only cell 6, 7
        for (int column = 0; column < 8; ++column)
            list.append({ 3, column, 32, 0 }); // row 3: faint everywhere, 0
        // row 4: empty, 0
        list.append({ 5, 0 });
        list.append({ 5, 3 }); // row 5: a gap of two cells, 4
        list.append({ 6, 7, 255, 88 }); // row 6: a 16 x 32 blob in the last cell, 8
        list.append({ 7, 2, 48, 0 }); // row 7: alpha 48 in cell 2 only, 3
        return list;
    }();
    return fills;
}

const QList<qint64> fixtureCounts { 8, 5, 7, 0, 0, 4, 8, 3 };

} // namespace

class TestSpriteSheetDecoder : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QImage m_atlas;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QImage sourceCell(int row, int column) const
    {
        return m_atlas.copy(column * 192, row * 208, 192, 208).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    std::shared_ptr<SpriteSheetDecoder> decode(
        const QString &file, const PetManifest &manifest = manifestWithCells(192, 208))
    {
        auto result = SpriteSheetDecoder::create(manifest, file);
        if (!result.ok())
            qFatal("unexpected decode failure of %s: %s", qPrintable(file), qPrintable(result.error().description()));
        return result.value();
    }

    static QString failureOf(const QString &file)
    {
        auto result = SpriteSheetDecoder::create(manifestWithCells(192, 208), file);
        return result.ok() ? QStringLiteral("(decoded)") : result.error().description();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QImageWriter::supportedImageFormats().contains("webp"));
        m_atlas = paintAtlas(1536, 1664, fixtureFills());
        writeImage(m_atlas, path(QStringLiteral("spritesheet.webp")), "webp");
        writeImage(m_atlas, path(QStringLiteral("atlas.png")), "png");
    }

    void decodesAndMeasuresTheAtlas_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("webp") << QStringLiteral("spritesheet.webp");
        QTest::newRow("png") << QStringLiteral("atlas.png");
    }
    void decodesAndMeasuresTheAtlas()
    {
        QFETCH(QString, file);
        const auto decoder = decode(path(file));
        QCOMPARE(decoder->pixelWidth(), 1536);
        QCOMPARE(decoder->pixelHeight(), 1664);
        for (int cell = 0; cell < 64; ++cell)
            QCOMPARE(decoder->image(cell / 8, cell % 8), sourceCell(cell / 8, cell % 8));
        for (int row = 0; row < fixtureCounts.size(); ++row)
            QCOMPARE(decoder->effectiveFrameCount(row), fixtureCounts[row]);
        QCOMPARE(decoder->nonEmptyRows(), (QList<qint64> { 0, 1, 2, 5, 6, 7 }));
    }

    // A cell wanted early comes once, before the decoder, as the decoder gives it; the decoder
    // still holds every row.
    void earlyCellComesBeforeTheDecoder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("handed");
        QTest::newRow("first band") << QStringLiteral("spritesheet.webp") << 0 << 0 << true;
        QTest::newRow("a later band") << QStringLiteral("spritesheet.webp") << 5 << 3 << true;
        QTest::newRow("below the atlas") << QStringLiteral("spritesheet.webp") << 8 << 0 << false;
        QTest::newRow("not read in bands") << QStringLiteral("atlas.png") << 0 << 0 << false;
    }
    void earlyCellComesBeforeTheDecoder()
    {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, handed);
        QObject context;
        QList<QImage> cells;
        auto decoding = SpriteSheetDecoder::createInBackground(manifestWithCells(192, 208), path(file),
            { row, column, &context, [&cells](const QImage &cell) { cells.append(cell); } });
        const auto created = awaitTask(std::move(decoding));
        QVERIFY(created.ok());
        const auto &decoder = created.value();
        QCOMPARE(decoder->nonEmptyRows(), (QList<qint64> { 0, 1, 2, 5, 6, 7 }));
        QCOMPARE(cells.size(), handed ? 1 : 0);
        if (handed)
            QCOMPARE(cells.first(), decoder->image(row, column));
    }

    void colourIsMatchedToSrgb_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << QByteArray("png");
        QTest::newRow("webp") << QByteArray("webp"); // not decoded band by band: the profile counts
    }
    void colourIsMatchedToSrgb()
    {
        QFETCH(QByteArray, format);
        QImage p3(384, 208, QImage::Format_ARGB32);
        p3.fill(QColor(40, 160, 90));
        p3.setColorSpace(QColorSpace::DisplayP3);
        const QString file = path(QStringLiteral("p3.") + QString::fromLatin1(format));
        writeImage(p3, file, format);
        const auto decoder = decode(file);
        const QImage frame = decoder->image(0, 1);
        QCOMPARE(frame.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QVERIFY(frame.pixel(0, 0) != p3.pixel(0, 0));
        QCOMPARE(frame.pixel(0, 0), p3.convertedToColorSpace(QColorSpace::SRgb).pixel(0, 0));
    }

    void partialRowIsIgnored()
    {
        // 100 pixels of a ninth row, with content, below the eight whole rows.
        QList<CellFill> fills = fixtureFills();
        for (int column = 0; column < 8; ++column)
            fills.append({ 8, column, 255, 0 });
        const QString file = path(QStringLiteral("partial.webp"));
        writeImage(paintAtlas(1536, 1664 + 100, fills), file, "webp");
        const auto decoder = decode(file);
        QCOMPARE(decoder->nonEmptyRows(), (QList<qint64> { 0, 1, 2, 5, 6, 7 }));
        QCOMPARE(decoder->effectiveFrameCount(8), 1);
        QVERIFY(decoder->image(8, 0).isNull());
        QVERIFY(!decoder->image(7, 0).isNull());
        QCOMPARE(decoder->effectiveFrameCount(9), 1); // wholly below the image
        QCOMPARE(decoder->effectiveFrameCount(-1), 1);
    }

    void narrowerAtlasLimitsTheColumns()
    {
        // Five cells wide although the manifest says 8 columns: cells 0 and 4 hold content.
        const auto decoder
            = SpriteSheetDecoder::create(manifestWithCells(192, 208), paintAtlas(960, 208, { { 0, 0 }, { 0, 4 } }))
                  .value();
        QCOMPARE(decoder->effectiveFrameCount(0), 5);
        // And fewer manifest columns than the atlas holds: content beyond them is not counted.
        const auto fewer
            = SpriteSheetDecoder::create(manifestWithCells(192, 208, 3), paintAtlas(1536, 208, { { 0, 1 }, { 0, 6 } }))
                  .value();
        QCOMPARE(fewer->effectiveFrameCount(0), 2);
    }

    void cellsNarrowerThanTheirEighthsCountExactly_data()
    {
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("filled");
        QTest::newRow("8 x 100, 6 filled") << 100 << 8 << 6;
        QTest::newRow("10 x 12, 7 filled") << 12 << 10 << 7;
        QTest::newRow("6 x 150, 4 filled") << 150 << 6 << 4;
        QTest::newRow("6 x 150, all filled") << 150 << 6 << 6;
        QTest::newRow("10 x 12, 1 filled") << 12 << 10 << 1;
        QTest::newRow("4 x 4, 2 filled") << 4 << 4 << 2;
    }
    void cellsNarrowerThanTheirEighthsCountExactly()
    {
        QFETCH(int, cellWidth);
        QFETCH(int, columns);
        QFETCH(int, filled);
        const auto decoder = FrameAtlas::decoder({ filled, 0 }, FrameAtlas::manifest(cellWidth, 16, columns));
        QCOMPARE(decoder->effectiveFrameCount(0), filled);
        QCOMPARE(decoder->effectiveFrameCount(1), 0);
    }

    void framesAreCropsOfTheirCells()
    {
        const auto decoder = decode(path(QStringLiteral("spritesheet.webp")));
        const QImage frame = decoder->image(5, 3);
        QCOMPARE(frame.size(), QSize(192, 208));
        QCOMPARE(frame.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(frame, m_atlas.copy(3 * 192, 5 * 208, 192, 208).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        // Semi-transparent pixels come premultiplied.
        const QRgb faint = decoder->image(3, 0).pixel(10, 10);
        QCOMPARE(qAlpha(faint), 32);
        QVERIFY(qRed(faint) <= 32 && qGreen(faint) <= 32 && qBlue(faint) <= 32);

        QVERIFY(!decoder->image(7, 7).isNull());
        QVERIFY(decoder->image(0, 8).isNull());
        QVERIFY(decoder->image(-1, 0).isNull());
        QVERIFY(decoder->image(0, -1).isNull());
    }

    // Cells that tile the atlas unevenly, are smaller than a tile or are single pixels; noise at
    // every alpha, up to the atlas's edges, so any slip in rebuilding a frame shows.
    void everyCellIsRebuiltExactly_data()
    {
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("cellHeight");
        QTest::newRow("7 x 5, several a tile") << 7 << 5;
        QTest::newRow("100 x 64, ragged edges") << 100 << 64;
        QTest::newRow("one cell") << 301 << 203;
        QTest::newRow("1 x 1") << 1 << 1;
        QTest::newRow("wider than the atlas") << 400 << 10;
    }
    void everyCellIsRebuiltExactly()
    {
        QFETCH(int, cellWidth);
        QFETCH(int, cellHeight);
        QImage noise(301, 203, QImage::Format_ARGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, (x / 40 + y / 40) % 3 ? random.generate() : 0u);
        }
        const auto decoder = SpriteSheetDecoder::create(manifestWithCells(cellWidth, cellHeight), noise).value();
        const QImage source = noise.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int row = 0; (row + 1) * cellHeight <= 203; row += std::max(1, 203 / cellHeight / 4)) {
            for (int column = 0; (column + 1) * cellWidth <= 301; column += std::max(1, 301 / cellWidth / 4))
                QCOMPARE(decoder->image(row, column),
                    source.copy(column * cellWidth, row * cellHeight, cellWidth, cellHeight));
        }
        QVERIFY(decoder->image(0, 301 / cellWidth).isNull());
    }

    void frameCacheEvictsFirstInFirstOut()
    {
        const auto decoder = decode(path(QStringLiteral("atlas.png")));
        // Every frame twice over, through a cache of a quarter of them: each is still its own cell.
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < 64; ++i)
                QCOMPARE(decoder->image(i / 8, i % 8), sourceCell(i / 8, i % 8));
        }
        QVERIFY(decoder->image(20, 0).isNull()); // absent frames are not cached
        const auto keys = decoder->cachedFrameKeys();
        QCOMPARE(keys.size(), SpriteSheetDecoder::frameCacheLimit);
        QCOMPARE(keys.first(), (SpriteSheetDecoder::FrameKey { 6, 0 }));
        QCOMPARE(keys.last(), (SpriteSheetDecoder::FrameKey { 7, 7 }));
        // A hit does not move a frame in the eviction order.
        QVERIFY(!decoder->image(6, 0).isNull());
        QCOMPARE(decoder->cachedFrameKeys(), keys);
    }

    void concurrentFrameRequestsKeepTheCacheBounded()
    {
        const auto decoder = decode(path(QStringLiteral("atlas.png")));
        QList<QThread *> threads;
        for (int t = 0; t < 4; ++t) {
            threads.append(QThread::create([decoder, t] {
                for (int i = 0; i < 400; ++i) {
                    const int cell = (i * 7 + t * 13) % 64;
                    if (decoder->image(cell / 8, cell % 8).isNull())
                        qFatal("frame missing");
                    decoder->effectiveFrameCount(cell % 8);
                }
            }));
            threads.last()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        const auto keys = decoder->cachedFrameKeys();
        QCOMPARE(keys.size(), SpriteSheetDecoder::frameCacheLimit);
        QCOMPARE(QSet<SpriteSheetDecoder::FrameKey>(keys.cbegin(), keys.cend()).size(), keys.size());
        QCOMPARE(decoder->nonEmptyRows(), (QList<qint64> { 0, 1, 2, 5, 6, 7 }));
    }

    void unreadableFilesFailConstruction()
    {
        // The sentence itself is checked where the library shows it.
        const QString unreadable = SpriteSheetDecoder::DecodeError::unreadable().description();
        // Empty, text, and a vector image, which is not an atlas.
        for (const QByteArray &bytes : { QByteArray(), QByteArray("this is not an image\n"),
                 QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'><rect width='64' "
                            "height='64'/></svg>") }) {
            PetFixtures::writeFile(path(QStringLiteral("bad.webp")), bytes);
            QCOMPARE(failureOf(path(QStringLiteral("bad.webp"))), unreadable);
        }
        QCOMPARE(failureOf(path(QStringLiteral("missing.webp"))), unreadable);
        QCOMPARE(failureOf(m_dir.path()), unreadable); // a folder
        // The format is decided by content: a PNG under the atlas's usual name decodes.
        QFile::copy(path(QStringLiteral("atlas.png")), path(QStringLiteral("png-inside.webp")));
        QCOMPARE(decode(path(QStringLiteral("png-inside.webp")))->pixelWidth(), 1536);
    }

    void emptyImageIsEmptyAtlas()
    {
        QCOMPARE(SpriteSheetDecoder::create(manifestWithCells(192, 208), QImage()).error().description(),
            QStringLiteral("spritesheet.webp decoded to an empty image."));
    }

    void oversizedAtlasIsRejectedBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("declared");
        QTest::newRow("png 60000 x 60000") << pngClaiming(60000, 60000) << QSize(60000, 60000);
        QTest::newRow("png just over 512 MiB") << pngClaiming(16384, 8193) << QSize(16384, 8193);
        QTest::newRow("png 2^31 - 1 square") << pngClaiming(0x7FFFFFFF, 0x7FFFFFFF) << QSize();
        QTest::newRow("webp 16383 x 16383") << PetFixtures::webpClaiming(16383, 16383) << QSize(16383, 16383);
    }
    void oversizedAtlasIsRejectedBeforeDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, declared);
        const QString file = path(QStringLiteral("huge.img"));
        PetFixtures::writeFile(file, bytes);
        if (declared.isValid()) // the header really declares it, so the budget check is what refuses it
            QCOMPARE(QImageReader(file).size(), declared);
        QCOMPARE(failureOf(file), SpriteSheetDecoder::DecodeError::unreadable().description());
    }

    void decodeBudgetIs512MiB()
    {
        QVERIFY(AtlasImageReader::fitsDecodeBudget(16384, 8192)); // exactly 512 MiB; one row more is refused above
        QVERIFY(!AtlasImageReader::fitsDecodeBudget(-1, 5));
    }

    void hugeManifestNumbersNeverOverflow_data()
    {
        QTest::addColumn<qint64>("frameWidth");
        QTest::addColumn<qint64>("frameHeight");
        QTest::addColumn<qint64>("columns");
        QTest::newRow("max width") << int64Max << qint64(208) << qint64(8);
        QTest::newRow("max everything") << int64Max << int64Max << int64Max;
        QTest::newRow("min everything") << int64Min << int64Min << int64Min;
        QTest::newRow("zero cells") << qint64(0) << qint64(0) << qint64(0);
        QTest::newRow("tiny cells") << qint64(1) << qint64(1) << int64Max;
        QTest::newRow("negative columns") << qint64(192) << qint64(208) << qint64(-8);
    }
    void hugeManifestNumbersNeverOverflow()
    {
        QFETCH(qint64, frameWidth);
        QFETCH(qint64, frameHeight);
        QFETCH(qint64, columns);
        const auto decoder
            = decode(path(QStringLiteral("atlas.png")), manifestWithCells(frameWidth, frameHeight, columns));
        const QList<qint64> indexes { 0, 1, 7, 8, int64Max / 192, int64Max / 2, int64Max - 1, int64Max, -1, int64Min };
        for (const qint64 row : indexes) {
            const qint64 count = decoder->effectiveFrameCount(row);
            QVERIFY(count >= 0);
            for (const qint64 column : indexes) {
                const QImage frame = decoder->image(row, column);
                if (!frame.isNull())
                    QCOMPARE(frame.size(), QSize(int(frameWidth), int(frameHeight)));
            }
        }
        for (const qint64 row : { int64Max, int64Min, qint64(-1), int64Max / 208 })
            QCOMPARE(decoder->effectiveFrameCount(row), 1);
        const QList<qint64> rows = decoder->nonEmptyRows();
        QVERIFY(rows.size() <= 1664);
    }

    void hugeManifestNumbersGiveTheFallbacks()
    {
        const auto wide = decode(path(QStringLiteral("atlas.png")), manifestWithCells(int64Max, 208));
        QVERIFY(wide->image(0, 0).isNull());
        QCOMPARE(wide->frameSize(), QSize(1536, 208)); // what a window may be sized from
        QCOMPARE(wide->effectiveFrameCount(0), 1); // no whole column: unmeasurable
        QCOMPARE(wide->nonEmptyRows().size(), 8);
        const auto tall = decode(path(QStringLiteral("atlas.png")), manifestWithCells(192, int64Max));
        QVERIFY(tall->image(0, 0).isNull());
        QCOMPARE(tall->frameSize(), QSize(192, 1664));
        QVERIFY(tall->image(1, 0).isNull());
        QCOMPARE(tall->effectiveFrameCount(0), 1);
        QVERIFY(tall->nonEmptyRows().isEmpty());
        const auto flat = decode(path(QStringLiteral("atlas.png")), manifestWithCells(192, 0));
        QVERIFY(flat->nonEmptyRows().isEmpty());
        QCOMPARE(flat->frameSize(), QSize(192, 1));
        const auto columns = decode(path(QStringLiteral("atlas.png")), manifestWithCells(192, 208, int64Max));
        QCOMPARE(columns->effectiveFrameCount(1), 5);
    }

    void damagedFilesNeverCrash_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("webp") << QByteArray("webp");
        QTest::newRow("png") << QByteArray("png");
    }
    void damagedFilesNeverCrash()
    {
        QFETCH(QByteArray, format);
        const QByteArray good = encode(paintAtlas(384, 416, { { 0, 0 }, { 1, 1, 120 } }), format);
        QRandomGenerator random(20240601);
        const QString file = path(QStringLiteral("damaged.img"));
        int decoded = 0;
        for (int round = 0; round < 120; ++round) {
            QByteArray bytes = good;
            if (round % 3 == 0) {
                bytes.truncate(random.bounded(qsizetype(1), good.size()));
            } else {
                const int flips = 1 + random.bounded(8);
                for (int i = 0; i < flips; ++i)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            }
            PetFixtures::writeFile(file, bytes);
            auto result = SpriteSheetDecoder::create(manifestWithCells(192, 208), file);
            if (result.ok()) {
                ++decoded;
                result.value()->nonEmptyRows();
                result.value()->image(0, 0);
            }
        }
        for (int round = 0; round < 40; ++round) {
            QByteArray noise(random.bounded(1, 4096), Qt::Uninitialized);
            for (char &byte : noise)
                byte = char(random.bounded(256));
            if (round % 2 == 0)
                noise.replace(0, qMin<qsizetype>(12, noise.size()), good.left(12)); // a believable header
            PetFixtures::writeFile(file, noise);
            auto result = SpriteSheetDecoder::create(manifestWithCells(192, 208), file);
            if (result.ok())
                result.value()->nonEmptyRows();
        }
        qInfo("%d of 120 damaged %s files still decoded", decoded, format.constData());
    }
};

TAMSEL_TEST_MAIN(TestSpriteSheetDecoder)
#include "tst_spritesheetdecoder.moc"
