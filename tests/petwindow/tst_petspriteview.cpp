#include "pets/PetManifestParser.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/FrameDamage.h"
#include "petwindow/PetSpriteView.h"

#include "support/FakeWindowSystem.h"
#include "support/TestMain.h"

#include <QFile>
#include <QPaintEvent>
#include <QScreen>

namespace {
// Counts the view's paints and remembers the region of the last one.
class PaintWatcher : public QObject {
public:
    int paints = 0;
    QRegion lastRegion;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            lastRegion = static_cast<QPaintEvent *>(event)->region();
        }
        return QObject::eventFilter(watched, event);
    }
};

std::shared_ptr<SpriteSheetDecoder> builtInPet()
{
    const QString folder = QStringLiteral(TAMSEL_SOURCE_DIR "/resources/BundledPet");
    QFile json(folder + QStringLiteral("/pet.json"));
    if (!json.open(QIODevice::ReadOnly))
        return {};
    const auto manifest = PetManifestParser::parse(json.readAll(), QStringLiteral("BundledPet"));
    if (!manifest)
        return {};
    auto decoder = SpriteSheetDecoder::create(manifest.value(), folder + QStringLiteral("/spritesheet.webp"));
    return decoder ? decoder.value() : nullptr;
}

// What the window system would be shown: the window's backing store.
QImage backingStoreOf(QWidget *view)
{
    return view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
}

class TestPetSpriteView : public QObject {
    Q_OBJECT

private slots:
    void damageFollowsChangedTiles()
    {
        QImage a(40, 20, QImage::Format_ARGB32_Premultiplied);
        a.fill(Qt::transparent);
        QImage b = a;
        QCOMPARE(FrameDamage::between(a, b), QRegion());
        // One pixel in the second tile of the second band; one in the last, partial column.
        b.setPixel(17, 16, 0xff000000);
        b.setPixel(39, 0, 0xff000000);
        const QRegion changed = FrameDamage::between(a, b);
        QCOMPARE(changed, QRegion(16, 16, 16, 4) + QRegion(32, 0, 8, 16));
        QCOMPARE(FrameDamage::coverage(changed, b.size()), (64.0 + 128.0) / 800.0);
        // Frames that cannot be compared differ everywhere.
        QCOMPARE(FrameDamage::between(a.copy(0, 0, 39, 20), b), QRegion(b.rect()));
        QCOMPARE(FrameDamage::between(QImage(), b), QRegion(b.rect()));
    }

    // Every row of the built-in pet, looped at the window sizes of three scales: after each
    // damage-only repaint the window holds exactly what a full repaint of that frame gives.
    void damageOnlyRepaintsMatchFullRepaints_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("frame size") << QSize(192, 208);
        QTest::newRow("scaled down") << QSize(100, 108);
        QTest::newRow("scaled up") << QSize(288, 312);
    }

    void damageOnlyRepaintsMatchFullRepaints()
    {
        QFETCH(QSize, size);
        const auto decoder = builtInPet();
        QVERIFY(decoder);
        PetSpriteView damaged(nullptr);
        PetSpriteView full(nullptr);
        PaintWatcher watcher;
        damaged.installEventFilter(&watcher);
        for (PetSpriteView *view : { &damaged, &full }) {
            view->setWindowFlags(Qt::FramelessWindowHint);
            view->resize(size);
            view->setFrame(decoder->image(0, 0));
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
        }
        QTRY_VERIFY(watcher.paints > 0);

        int paintedSteps = 0;
        int partialSteps = 0;
        for (const qint64 row : decoder->nonEmptyRows()) {
            const qint64 frames = decoder->effectiveFrameCount(row);
            for (qint64 step = 0; step <= frames; ++step) {
                const QImage frame = decoder->image(row, step % frames);
                const int paintsBefore = watcher.paints;
                damaged.setFrame(frame);
                full.setFrame(frame);
                full.repaint();
                const QImage expected = backingStoreOf(&full);
                QTRY_VERIFY2(backingStoreOf(&damaged) == expected,
                    qPrintable(QStringLiteral("row %1, frame %2").arg(row).arg(step % frames)));
                if (watcher.paints > paintsBefore) {
                    ++paintedSteps;
                    partialSteps += watcher.lastRegion != QRegion(damaged.rect()) ? 1 : 0;
                }
            }
        }
        // Most steps repaint only part of the window.
        QVERIFY2(partialSteps * 2 > paintedSteps,
            qPrintable(QStringLiteral("%1 of %2 partial").arg(partialSteps).arg(paintedSteps)));
    }

    void scaledCopiesOfFramesShownLatelyStayAndOldOnesGo()
    {
        // A frame that keeps coming back is scaled once, however many others pass in between;
        // one not shown for longer than the view keeps copies is scaled again (its copy was freed).
        FakeWindowSystem windowSystem;
        windowSystem.drawsFrames = true;
        PetSpriteView view(&windowSystem);
        view.setWindowFlags(Qt::FramelessWindowHint);
        view.resize(20, 20);
        const auto frame = [](int shade) {
            QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
            image.fill(qRgba(shade % 256, shade / 256, 90, 255));
            return image;
        };
        const QImage kept = frame(0);
        view.setFrame(frame(1));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QList<qint64> keptCopies;
        for (int shade = 2; shade < 2 + 3 * int(PetSpriteView::maxScaledFrames); ++shade) {
            view.setFrame(frame(shade));
            if (shade % 4 == 0) {
                view.setFrame(kept);
                keptCopies.append(windowSystem.drawnFrames.last());
            }
        }
        QVERIFY(keptCopies.size() > 10);
        QCOMPARE(QSet<qint64>(keptCopies.cbegin(), keptCopies.cend()).size(), 1);

        for (int shade = 1000; shade <= 1000 + int(PetSpriteView::maxScaledFrames); ++shade)
            view.setFrame(frame(shade));
        view.setFrame(kept);
        QVERIFY(windowSystem.drawnFrames.last() != keptCopies.first());
    }
};

TAMSEL_TEST_MAIN(TestPetSpriteView)
#include "tst_petspriteview.moc"
