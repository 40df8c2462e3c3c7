#include "behavior/AnimationTicker.h"
#include "petwindow/AnimationPreviewView.h"

#include "support/FrameAtlas.h"
#include "support/TestMain.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

class TestAnimationPreviewView : public QObject {
    Q_OBJECT

private:
    // Rows 0 to 4 hold 3, 4, 2, 0 and 1 frames.
    std::shared_ptr<SpriteSheetDecoder> m_decoder = FrameAtlas::decoder({ 3, 4, 2, 0, 1 });

private slots:
    void subscribesOnlyWhileLiveShownAndAnimated()
    {
        AnimationTicker ticker;
        auto view = std::make_unique<AnimationPreviewView>(nullptr, &ticker);
        view->configure(m_decoder, 1);
        QCOMPARE(view->frameCount(), 4);
        QVERIFY(!view->isSubscribed()); // not shown yet
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(view->isSubscribed());
        QVERIFY(ticker.isRunning());

        for (int i = 0; i < 5; ++i)
            ticker.tick();
        QCOMPARE(view->currentFrame(), 1);

        // A single frame, an empty row or no row never subscribe; leaving resets to frame 0.
        for (std::optional<qint64> row :
            { std::optional<qint64>(4), std::optional<qint64>(3), std::optional<qint64>() }) {
            view->configure(m_decoder, row);
            QVERIFY(!view->isSubscribed());
            QCOMPARE(view->currentFrame(), 0);
        }
        QVERIFY(!ticker.isRunning());

        view->configure(m_decoder, 2);
        ticker.tick();
        QCOMPARE(view->currentFrame(), 1);
        view->configure(m_decoder, 2, false); // not live: stops and rests on the first frame
        QVERIFY(!view->isSubscribed());
        QCOMPARE(view->currentFrame(), 0);
        view->configure(m_decoder, 2, true);
        QVERIFY(view->isSubscribed());
        view->hide();
        QVERIFY(!view->isSubscribed());
        QVERIFY(!ticker.isRunning());

        view->show();
        QVERIFY(ticker.isRunning());
        view.reset();
        QCOMPARE(ticker.subscriberCount(), 0);
        QVERIFY(!ticker.isRunning());
    }

    void holdsStillWhileScrolledOutOfView()
    {
        AnimationTicker ticker;
        QScrollArea scroll;
        auto *content = new QWidget;
        auto *column = new QVBoxLayout(content);
        column->addSpacing(2000);
        auto *view = new AnimationPreviewView(content, &ticker);
        view->configure(m_decoder, 1);
        column->addWidget(view);
        scroll.setWidget(content);
        scroll.resize(200, 200);
        scroll.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scroll));
        ticker.tick();
        QCOMPARE(view->currentFrame(), 0);
        scroll.verticalScrollBar()->setValue(scroll.verticalScrollBar()->maximum());
        ticker.tick();
        QCOMPARE(view->currentFrame(), 1);
    }

    void tickerForgetsDestroyedSubscribers()
    {
        AnimationTicker ticker;
        int calls = 0;
        auto gone = std::make_unique<QObject>();
        QObject survivor;
        ticker.subscribe(gone.get(), [&calls] { calls += 1; });
        ticker.subscribe(&survivor, [&calls] { calls += 10; });
        gone.reset();
        ticker.tick();
        QCOMPARE(calls, 10);
        ticker.unsubscribe(&survivor);
        QVERIFY(!ticker.isRunning());
    }

    void paintsTheFrameWithHardPixels()
    {
        AnimationTicker ticker;
        AnimationPreviewView view(nullptr, &ticker);
        view.configure(m_decoder, 1, false);
        view.resize(96, 64); // a 16 x 16 frame fits as 64 x 64, centred 16 pixels from the left
        const QImage shot = view.grab().toImage();
        // The frame's left half is its colour, the right half black; no blended column between.
        QCOMPARE(shot.pixelColor(16, 10), FrameAtlas::colour(1, 0));
        QCOMPARE(shot.pixelColor(16 + 31, 50), FrameAtlas::colour(1, 0));
        QCOMPARE(shot.pixelColor(16 + 32, 50), QColor(Qt::black));
        QVERIFY(shot.pixelColor(8, 32) != FrameAtlas::colour(1, 0));
    }
};

TAMSEL_TEST_MAIN(TestAnimationPreviewView)
#include "tst_animationpreviewview.moc"
