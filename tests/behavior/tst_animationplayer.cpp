#include "behavior/AnimationPlayer.h"

#include "support/FrameAtlas.h"
#include "support/TestMain.h"

#include <limits>

using FrameAtlas::Cell;

namespace {

PetAnimation animation(qint64 row, qint64 frameCount, bool loop, double fps = 8.0)
{
    return { loop ? PetAnimationState::Idle : PetAnimationState::Waving, row, frameCount, fps, loop };
}

// Everything a player hands out, as atlas cells, and how often a one-shot ended.
struct Recorder {
    explicit Recorder(AnimationPlayer &player)
    {
        QObject::connect(&player, &AnimationPlayer::frameEmitted, &context,
            [this](const QImage &frame) { frames.append(FrameAtlas::identify(frame).value_or(Cell())); });
        QObject::connect(&player, &AnimationPlayer::oneShotFinished, &context, [this] { ++finished; });
    }
    QList<Cell> take() { return std::exchange(frames, {}); }

    QObject context;
    QList<Cell> frames;
    int finished = 0;
};

// Takes loops when told to and hands them back at a chosen frame.
struct LoopOutlet : FrameLoopOutlet {
    bool takeLoop(const QList<QImage> &frames, int intervalMs, qsizetype shown) override
    {
        offers.append({ frames.size(), intervalMs, shown });
        taken = accepts;
        loop.clear();
        for (const QImage &frame : frames)
            loop.append(FrameAtlas::identify(frame).value_or(Cell()));
        return accepts;
    }
    qsizetype returnLoop() override
    {
        taken = false;
        ++returns;
        return shownOnReturn;
    }

    bool accepts = true;
    bool taken = false;
    qsizetype shownOnReturn = 0;
    int returns = 0;
    struct Offer {
        qsizetype frames;
        int intervalMs;
        qsizetype shown;
        bool operator==(const Offer &) const = default;
    };
    QList<Offer> offers;
    QList<Cell> loop;
};

QList<Cell> cells(int row, std::initializer_list<int> columns)
{
    QList<Cell> result;
    for (int column : columns)
        result.append({ row, column });
    return result;
}

}

class TestAnimationPlayer : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<SpriteSheetDecoder> m_decoder = FrameAtlas::decoder({ 3, 4, 2, 0 });

private slots:
    void setWaitsForPlayAndStopHoldsTheFrame()
    {
        AnimationPlayer player(m_decoder, animation(0, 3, true));
        Recorder recorder(player);
        player.set(animation(1, 4, true), true);
        QCOMPARE(recorder.take(), cells(1, { 0 }));
        QVERIFY(player.isPaused());

        player.play();
        QVERIFY(player.isRunning());
        QCOMPARE(player.frameTimer().timerType(), Qt::PreciseTimer);
        QCOMPARE(player.frameTimer().interval(), 125);
        player.tick();
        player.tick();
        QCOMPARE(recorder.take(), cells(1, { 0, 1, 2 }));

        player.stop(); // the frame shown stays on screen
        QVERIFY(!player.isRunning());
        QVERIFY(recorder.take().isEmpty());
        player.play();
        player.tick();
        QCOMPARE(recorder.take(), cells(1, { 2, 3 }));

        // set on a playing player keeps it playing, re-timed; without reset the index stays.
        player.set(animation(1, 2, true, 12.0), false);
        QVERIFY(player.isRunning());
        QCOMPARE(player.frameTimer().interval(), 83);
        QCOMPARE(player.currentFrameIndex(), 3);
        player.tick(); // past the new animation's end: wraps
        QCOMPARE(recorder.take(), cells(1, { 3, 3, 0 }));
    }

    void loopsWrapAndOneShotsHoldTheirLastFrame()
    {
        AnimationPlayer player(m_decoder, animation(0, 3, true));
        Recorder recorder(player);
        player.play();
        for (int i = 0; i < 4; ++i)
            player.tick();
        QCOMPARE(recorder.take(), cells(0, { 0, 1, 2, 0, 1 }));

        // A one-shot of n frames shows them all, holds the last one more interval, then ends.
        for (int frames : { 1, 3 }) {
            player.set(animation(1, frames, false), true);
            recorder.take();
            for (int i = 1; i < frames; ++i)
                player.tick();
            QCOMPARE(recorder.finished, 0);
            player.tick();
            QCOMPARE(recorder.take().last(), (Cell { 1, frames - 1 }));
            QCOMPARE(recorder.finished, 1);
            QVERIFY(player.isPaused());
            recorder.finished = 0;
            player.play();
        }

        // The listener may start the next animation from the end notification.
        QObject coordinator;
        connect(&player, &AnimationPlayer::oneShotFinished, &coordinator, [&player] {
            player.set(animation(0, 3, true), true);
            player.play();
        });
        player.set(animation(2, 1, false), true);
        player.tick();
        QVERIFY(player.isRunning());
        player.tick();
        QCOMPARE(recorder.take().last(), (Cell { 0, 1 }));
    }

    void suspensionStopsTheTimerAndRestoresThePauseState()
    {
        AnimationPlayer player(m_decoder, animation(1, 4, true));
        Recorder recorder(player);

        // Playing: suspension stops the timer without pausing; lifting it resumes at the same frame.
        player.play();
        player.tick();
        player.setSuspended(true);
        QVERIFY(!player.frameTimer().isActive());
        QVERIFY(!player.isPaused());
        player.set(animation(1, 4, true, 10.0), false); // changes while hidden start nothing
        player.play();
        QVERIFY(!player.frameTimer().isActive());
        recorder.take();
        player.setSuspended(false);
        QVERIFY(player.frameTimer().isActive());
        QCOMPARE(recorder.take(), cells(1, { 1 })); // the frame is shown again on return

        // Paused: it stays paused through a suspension.
        player.stop();
        player.setSuspended(true);
        player.setSuspended(false);
        QVERIFY(player.isPaused());
        QVERIFY(!player.frameTimer().isActive());

        // play while suspended takes effect when the suspension ends.
        player.setSuspended(true);
        player.play();
        QVERIFY(!player.frameTimer().isActive());
        player.setSuspended(false);
        QVERIFY(player.frameTimer().isActive());
    }

    void degenerateAnimationsNeitherCrashNorSpin()
    {
        const double inf = std::numeric_limits<double>::infinity();
        for (double fps : { 60.0, 1e12, inf })
            QCOMPARE(AnimationPlayer::intervalMs(fps), AnimationPlayer::minimumIntervalMs);
        for (double fps : { 0.25, 0.0, -3.0, std::numeric_limits<double>::quiet_NaN() })
            QCOMPARE(AnimationPlayer::intervalMs(fps), AnimationPlayer::maximumIntervalMs);

        AnimationPlayer player(m_decoder, animation(0, 0, true, inf));
        Recorder recorder(player);
        player.play();
        QCOMPARE(player.frameTimer().interval(), AnimationPlayer::minimumIntervalMs);
        player.tick();
        QCOMPARE(player.currentFrameIndex(), 0);

        // Rows outside the atlas show its first cell instead.
        player.set(animation(9, 3, true), true);
        player.set(animation(-1, 3, true), true);
        QCOMPARE(recorder.take(), QList<Cell>(6, Cell { 0, 0 }));

        // More frames than the atlas has columns: the index runs on, the last column is held.
        player.set(animation(1, 6, true), true);
        for (int i = 0; i < 5; ++i)
            player.tick();
        QCOMPARE(player.currentFrameIndex(), 5);
        QCOMPARE(recorder.take().mid(2), cells(1, { 1, 2, 3, 3, 3 }));

        // No decoder: nothing to show, nothing emitted, time still passes.
        AnimationPlayer empty(nullptr, animation(0, 2, true));
        Recorder silent(empty);
        empty.play();
        empty.tick();
        QVERIFY(silent.frames.isEmpty());
        QCOMPARE(empty.currentFrameIndex(), 1);
    }

    void rowFramesSurviveDecoderCacheEviction()
    {
        auto decoder = FrameAtlas::decoder({ 3, 4, 2, 0, 4, 4 });
        AnimationPlayer player(decoder, animation(1, 4, true));
        QList<qint64> keys;
        connect(&player, &AnimationPlayer::frameEmitted, this,
            [&keys](const QImage &frame) { keys.append(frame.cacheKey()); });
        player.play();
        for (int i = 0; i < 3; ++i)
            player.tick();
        const QList<qint64> firstLoop = std::exchange(keys, {});

        // A preview pane crops the other rows' frames, pushing row 1 out of the decoder's cache.
        for (int row : { 0, 2, 3, 4, 5 }) {
            for (int column = 0; column < FrameAtlas::columns; ++column)
                decoder->image(row, column);
        }
        QVERIFY(!decoder->cachedFrameKeys().contains(SpriteSheetDecoder::FrameKey { 1, 1 }));
        for (int i = 0; i < 4; ++i)
            player.tick();
        QCOMPARE(keys, firstLoop); // the same images, not fresh crops

        // Coming back to a row played lately hands out the same images too; a row played longer
        // ago is cropped again, so what the player holds stays bounded.
        const auto keysOfRow = [&](int row) {
            keys.clear();
            player.set(animation(row, 4, true), true);
            for (int i = 0; i < 3; ++i)
                player.tick();
            for (int column = 0; column < FrameAtlas::columns; ++column) { // evicts it from the decoder
                for (int other : { 0, 3, 4, 5 })
                    decoder->image(other, column);
            }
            return keys;
        };
        const QList<qint64> row2 = keysOfRow(2);
        QCOMPARE(keysOfRow(1).mid(1), firstLoop); // set() on a playing player shows frame 0 twice
        QCOMPARE(keysOfRow(2), row2);
        keysOfRow(0);
        keysOfRow(3);
        keysOfRow(4);
        const QList<qint64> again = keysOfRow(1);
        for (qint64 key : again)
            QVERIFY(!firstLoop.contains(key));
    }

    // A looping row goes to the outlet once the timer has shown each of its frames, and comes
    // back at the frame the outlet had on screen whenever anything changes the player.
    void loopsAreHandedToTheOutletAndTakenBack()
    {
        AnimationPlayer player(m_decoder, animation(1, 4, true));
        Recorder recorder(player);
        LoopOutlet outlet;
        player.setLoopOutlet(&outlet);
        player.play();
        for (int i = 0; i < 3; ++i)
            player.tick();
        QVERIFY(outlet.offers.isEmpty()); // frame 0 was shown by play(), not by the timer
        player.tick();
        QCOMPARE(outlet.offers, (QList<LoopOutlet::Offer> { { 4, 125, 0 } }));
        QCOMPARE(outlet.loop, cells(1, { 0, 1, 2, 3 }));
        QVERIFY(player.isLooping());
        QVERIFY(player.isRunning());
        QVERIFY(!player.frameTimer().isActive()); // no wake-ups here while the outlet plays
        player.play(); // already running
        QCOMPARE(outlet.returns, 0);

        // Stopping takes the loop back: the frame on screen stays, and play goes on from it.
        recorder.take();
        outlet.shownOnReturn = 2;
        player.stop();
        QCOMPARE(outlet.returns, 1);
        QVERIFY(!player.isLooping() && !player.isRunning());
        QCOMPARE(player.currentFrameIndex(), 2);
        QVERIFY(recorder.take().isEmpty());
        player.play();
        player.tick();
        QCOMPARE(recorder.take(), cells(1, { 2, 3 }));

        // So does a suspension, and every other change; an index the outlet cannot have shown
        // is ignored.
        for (int i = 0; i < 3; ++i)
            player.tick();
        QVERIFY(player.isLooping());
        QCOMPARE(outlet.offers.last().shown, 2);
        outlet.shownOnReturn = 7;
        player.setSuspended(true);
        QCOMPARE(player.currentFrameIndex(), 2);
        QVERIFY(!player.frameTimer().isActive());
        player.setSuspended(false);
        for (int i = 0; i < 4; ++i)
            player.tick();
        QVERIFY(player.isLooping());
        outlet.shownOnReturn = 1;
        player.set(animation(2, 2, true), false);
        QVERIFY(!outlet.taken);
        QVERIFY(player.frameTimer().isActive());

        // The outlet may end the loop by itself: the timer goes on from the frame it names.
        player.set(animation(1, 4, true), true);
        for (int i = 0; i < 4; ++i)
            player.tick();
        QVERIFY(player.isLooping());
        player.loopReturned(3);
        QVERIFY(!player.isLooping() && player.frameTimer().isActive());
        QCOMPARE(player.currentFrameIndex(), 3);
        recorder.take();
        player.tick();
        QCOMPARE(recorder.take(), cells(1, { 0 }));

        // One-shots, and an outlet that declines, leave the timer running.
        const int offered = int(outlet.offers.size());
        player.set(animation(2, 2, false), true);
        player.tick();
        QCOMPARE(outlet.offers.size(), offered);
        outlet.accepts = false;
        player.set(animation(1, 4, true), true);
        player.play();
        for (int i = 0; i < 6; ++i)
            player.tick();
        QCOMPARE(outlet.offers.size(), offered + 1); // once per start, not on every step
        QVERIFY(player.frameTimer().isActive() && !player.isLooping());

        // Unset, the outlet is asked for nothing more.
        outlet.accepts = true;
        player.set(animation(1, 4, true), true);
        for (int i = 0; i < 4; ++i)
            player.tick();
        QVERIFY(player.isLooping());
        const int returns = outlet.returns;
        player.setLoopOutlet(nullptr);
        QCOMPARE(outlet.returns, returns + 1);
        for (int i = 0; i < 8; ++i)
            player.tick();
        QCOMPARE(outlet.offers.size(), offered + 2);
    }

    void frameTimerAdvancesFrames()
    {
        AnimationPlayer player(m_decoder, animation(1, 4, true, 60.0));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentFrameIndex() >= 2, 2000);
    }
};

TAMSEL_TEST_MAIN(TestAnimationPlayer)
#include "tst_animationplayer.moc"
