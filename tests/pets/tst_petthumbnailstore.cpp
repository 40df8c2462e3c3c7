#include "pets/PetImageCache.h"
#include "pets/PetThumbnailStore.h"

#include "support/TestMain.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace {

// An atlas of width x height whose first cell (cellWidth x cellHeight) is solid red and the rest
// of the image solid blue.
QImage paintAtlas(int width, int height, int cellWidth, int cellHeight)
{
    QImage atlas(width, height, QImage::Format_ARGB32);
    atlas.fill(Qt::blue);
    QPainter painter(&atlas);
    painter.fillRect(QRect(0, 0, cellWidth, cellHeight), Qt::red);
    return atlas;
}

void writeImage(const QImage &image, const QString &path)
{
    QImageWriter writer(path, path.endsWith(QStringLiteral(".png")) ? "png" : "webp");
    writer.setQuality(100);
    if (!writer.write(image))
        qFatal("cannot write %s", qPrintable(path));
}

// A thumbnail maker that counts its calls and, while `gate` is closed, waits before making one.
struct GatedMaker {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);

    PetThumbnailStore::Maker maker() const
    {
        return [calls = calls, gate = gate](const QString &path, qint64 frameWidth, qint64 frameHeight, int maxPixel) {
            ++*calls;
            gate->acquire();
            return PetThumbnailStore::makeThumbnail(path, frameWidth, frameHeight, maxPixel);
        };
    }
    void open(int tasks = 1000) const { gate->release(tasks); }
};

} // namespace

class TestPetThumbnailStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeImage(paintAtlas(1536, 1664, 192, 208), path(QStringLiteral("spritesheet.webp")));
        writeImage(paintAtlas(512, 96, 64, 48), path(QStringLiteral("small.png")));
        writeImage(paintAtlas(100, 80, 100, 80), path(QStringLiteral("tiny.webp")));
        QFile garbage(path(QStringLiteral("garbage.webp")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("RIFF\x10\0\0\0WEBPVP8 garbage");
    }

    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        PetImageCache::clear();
    }

    void thumbnailIsTheFirstCellWithin128Pixels()
    {
        const QImage thumb = PetThumbnailStore::makeThumbnail(path(QStringLiteral("spritesheet.webp")), 192, 208, 128);
        QCOMPARE(thumb.size(), QSize(118, 128)); // 192 x 128 / 208 = 118.15
        QCOMPARE(thumb.format(), QImage::Format_ARGB32_Premultiplied);
        // Only the first cell is in it.
        for (const QPoint point : { QPoint(0, 0), QPoint(59, 64), QPoint(117, 127) })
            QCOMPARE(thumb.pixelColor(point), QColor(Qt::red));

        const QImage small = PetThumbnailStore::makeThumbnail(path(QStringLiteral("small.png")), 64, 48, 128);
        QCOMPARE(small.size(), QSize(64, 48)); // a small cell keeps its size
        QCOMPARE(small.pixelColor(63, 47), QColor(Qt::red));
        // A cell larger than the image is cut to it.
        QCOMPARE(
            PetThumbnailStore::makeThumbnail(path(QStringLiteral("tiny.webp")), 192, 208, 128).size(), QSize(100, 80));
        QCOMPARE(PetThumbnailStore::makeThumbnail(path(QStringLiteral("tiny.webp")), 0, -5, 128).size(), QSize(1, 1));
        QCOMPARE(PetThumbnailStore::makeThumbnail(
                     path(QStringLiteral("spritesheet.webp")), std::numeric_limits<qint64>::max(), 208, 128)
                     .size(),
            QSize(128, 17)); // 1536 x 208 reduced: 208 x 128 / 1536 = 17.33
        QVERIFY(PetThumbnailStore::makeThumbnail(path(QStringLiteral("garbage.webp")), 192, 208, 128).isNull());
        QVERIFY(PetThumbnailStore::makeThumbnail(path(QStringLiteral("missing.webp")), 192, 208, 128).isNull());
    }

    void secondRequestWhileInFlightStartsNoTask()
    {
        GatedMaker gated;
        PetThumbnailStore store(gated.maker());
        QSignalSpy changed(&store, &PetThumbnailStore::thumbsChanged);
        const QString atlas = path(QStringLiteral("spritesheet.webp"));

        QVERIFY(store.thumbnail(atlas, 192, 208).isNull());
        QVERIFY(store.thumbnail(atlas, 192, 208).isNull());
        store.prewarm(QList<PetThumbnailStore::Request> { { atlas, 192, 208 }, { atlas, 192, 208 } });
        QVERIFY(store.isInFlight(atlas));
        QTRY_COMPARE(gated.calls->load(), 1);

        gated.open();
        QVERIFY(changed.wait(10000));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), atlas);
        QVERIFY(!store.isInFlight(atlas));
        QCOMPARE(store.thumbnail(atlas, 192, 208).size(), QSize(118, 128));
        QCOMPARE(store.thumbs().size(), 1);

        // Finished thumbnails are reused: no further task.
        store.prewarm(QList<PetThumbnailStore::Request> { { atlas, 192, 208 } });
        QCOMPARE(store.inFlightCount(), 0);
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(gated.calls->load(), 1);
    }

    void failureLeavesNoEntryAndTheNextCallTriesAgain()
    {
        GatedMaker gated;
        gated.open();
        PetThumbnailStore store(gated.maker());
        QSignalSpy changed(&store, &PetThumbnailStore::thumbsChanged);
        const QString garbage = path(QStringLiteral("garbage.webp"));
        QVERIFY(store.thumbnail(garbage, 192, 208).isNull());
        QTRY_VERIFY(!store.isInFlight(garbage));
        QVERIFY(store.thumbs().isEmpty());
        QCOMPARE(changed.count(), 0);
        QVERIFY(store.thumbnail(garbage, 192, 208).isNull());
        QTRY_VERIFY(!store.isInFlight(garbage));
        QCOMPARE(gated.calls->load(), 2);
    }

    void storeDestroyedWhileATaskRunsIsSafe()
    {
        GatedMaker gated;
        auto store = std::make_unique<PetThumbnailStore>(gated.maker());
        QVERIFY(store->thumbnail(path(QStringLiteral("spritesheet.webp")), 192, 208).isNull());
        QTRY_COMPARE(gated.calls->load(), 1);
        store.reset();
        gated.open();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents(); // nothing left to deliver to
    }

    void imageCacheKeepsThreeAtlases()
    {
        const QString atlases[] = { path(QStringLiteral("spritesheet.webp")), path(QStringLiteral("small.png")),
            path(QStringLiteral("tiny.webp")) };
        const QString fourth = path(QStringLiteral("fourth.png"));
        writeImage(paintAtlas(20, 20, 10, 10), fourth);

        QCOMPARE(PetImageCache::image(atlases[0]).size(), QSize(1536, 1664));
        const qint64 firstKey = PetImageCache::image(atlases[0]).cacheKey();
        QCOMPARE(PetImageCache::image(atlases[0]).cacheKey(), firstKey); // served from the cache
        PetImageCache::image(atlases[1]);
        PetImageCache::image(atlases[2]);
        QCOMPARE(PetImageCache::count(), 3);
        QCOMPARE(PetImageCache::image(fourth).size(), QSize(20, 20));
        QCOMPARE(PetImageCache::count(), 3);
        QVERIFY(!PetImageCache::contains(atlases[0])); // least recently used
        QVERIFY(PetImageCache::contains(fourth));

        PetImageCache::evict(fourth);
        QVERIFY(!PetImageCache::contains(fourth));
        QCOMPARE(PetImageCache::count(), 2);

        QVERIFY(PetImageCache::image(path(QStringLiteral("garbage.webp"))).isNull());
        QCOMPARE(PetImageCache::count(), 2); // failures are not cached
    }
};

TAMSEL_TEST_MAIN(TestPetThumbnailStore)
#include "tst_petthumbnailstore.moc"
