#include "behavior/BehaviorEngine.h"

#include "support/FakeClock.h"
#include "support/FakeRandom.h"
#include "support/TestMain.h"

#include <tuple>
#include <utility>

namespace {

using Play = std::pair<qint64, bool>;

// An engine over a fake window that moves when asked, on a 1920-wide screen.
struct Rig {
    Rig()
    {
        engine.setWindowGeometry({ [this]() -> std::optional<QRectF> {
                                      if (!hasWindow)
                                          return std::nullopt;
                                      return frame;
                                  },
            [this] {
                ++visibleReads;
                return visible;
            } });
        engine.setChatterEnabledQuery([this] { return chatterOn; });
        engine.setMaxRow(9);
        QObject::connect(&engine, &BehaviorEngine::rowPlayRequested, &engine, [this](qint64 row, bool oneShot) {
            played.append({ row, oneShot });
        });
        QObject::connect(&engine, &BehaviorEngine::windowMoveRequested, &engine, [this](double dx, double dy) {
            moves.append(dx);
            frame.translate(dx, dy);
        });
        QObject::connect(
            &engine, &BehaviorEngine::chatterRequested, &engine, [this](qint64 row) { chatter.append(row); });
    }

    // Puts the engine in wander mode and fires one heartbeat with the given draws (the first one
    // re-arms the heartbeat).
    void heartbeat(double x, QList<double> draws)
    {
        frame.moveLeft(x);
        engine.setMode(BehaviorMode::Wander);
        engine.restart();
        random.setScript(std::move(draws));
        drawsBefore = random.draws();
        engine.heartbeatFired();
    }

    FakeClock clock;
    FakeRandom random;
    BehaviorEngine engine { clock, random };
    QRectF frame { 500, 900, 100, 100 };
    std::optional<QRectF> visible = QRectF(0, 0, 1920, 1040);
    bool hasWindow = true;
    bool chatterOn = false;
    int visibleReads = 0;
    int drawsBefore = 0;
    QList<Play> played;
    QList<double> moves;
    QList<qint64> chatter;
};

}

class TestBehaviorEngine : public QObject {
    Q_OBJECT

private slots:
    void runRowsPreferNamedDirections()
    {
        Rig rig;
        for (const auto &[maxRow, right, left] : { std::tuple { 9, 6, 7 }, { 6, 6, 6 }, { 3, 3, 3 }, { 0, 0, 0 } }) {
            rig.engine.setMaxRow(maxRow);
            QCOMPARE(rig.engine.runRow(1.0), right);
            QCOMPARE(rig.engine.runRow(-1.0), left);
        }
        rig.engine.setMovementRows(3, 4);
        QCOMPARE(rig.engine.runRow(1.0), 3);
        QCOMPARE(rig.engine.runRow(-1.0), 4);
        rig.engine.setMovementRows(3, std::nullopt); // a known row beats the numbered fallback either way
        QCOMPARE(rig.engine.runRow(-1.0), 3);
        rig.engine.setMovementRows(std::nullopt, 4);
        QCOMPARE(rig.engine.runRow(1.0), 4);
    }

    void expressiveRowsNeverRepeatAndSkipMovementRows()
    {
        Rig rig;
        rig.engine.setMaxRow(0);
        QVERIFY(!rig.engine.randomExpressiveRow(false));

        // Without movement rows 5-7 stand for them: the highest candidate of 1...9 is 9, then 8, 4.
        rig.engine.setMaxRow(9);
        rig.random.setScript({ 0.99 });
        QCOMPARE(rig.engine.randomExpressiveRow(true), 9);
        rig.random.setScript({ 0.75 }); // index 4 of [1, 2, 3, 4, 8, 9]
        QCOMPARE(rig.engine.randomExpressiveRow(true), 8);
        QCOMPARE(rig.engine.randomExpressiveRow(false), 7); // index 6 of 1...9

        // Named movement rows replace 5-7 in the exclusion; the last row played is skipped while
        // another is left, and repeated only when it is the sole candidate.
        rig.engine.setMovementRows(2, 3);
        rig.engine.setMaxRow(4);
        rig.engine.setMode(BehaviorMode::Friendly);
        rig.random.setScript({ 0.5 });
        for (int i = 0; i < 4; ++i)
            rig.engine.tickerFired();
        QCOMPARE(rig.played, (QList<Play> { { 4, true }, { 1, true }, { 4, true }, { 1, true } }));
        QCOMPARE(rig.engine.lastPlayedRow(), 1);
        rig.engine.setMaxRow(3);
        rig.engine.tickerFired();
        rig.engine.tickerFired();
        QCOMPARE(rig.played.mid(4), (QList<Play> { { 1, true }, { 1, true } }));
        rig.engine.setMaxRow(2);
        rig.engine.setMovementRows(1, 2); // nothing left at all
        rig.engine.tickerFired();
        QCOMPARE(rig.played.size(), 6);
    }

    void friendlyAndBusyEventsAreTimedAndChatter()
    {
        struct Case {
            BehaviorMode mode;
            QList<double> draws;
            int delayMs;
        };
        const QList<Case> cases
            = { { BehaviorMode::Friendly, { 0.1, 0.5 }, 35000 }, { BehaviorMode::Friendly, { 0.15, 0.5 }, 13000 },
                  { BehaviorMode::Busy, { 0.1, 0.5 }, 14000 }, { BehaviorMode::Busy, { 0.2, 0.5 }, 5500 } };
        for (const Case &c : cases) {
            Rig rig;
            rig.engine.setMode(c.mode);
            rig.random.setScript(c.draws);
            rig.engine.restart();
            QVERIFY(rig.engine.isTickerActive());
            QCOMPARE(rig.engine.ticker().interval(), c.delayMs);
        }

        // Each event plays a one-shot row and re-arms; chatter is drawn only when enabled.
        for (const auto &[mode, chatters] :
            { std::pair { BehaviorMode::Friendly, true }, { BehaviorMode::Busy, false } }) {
            Rig rig;
            rig.engine.setMode(mode);
            rig.engine.restart();
            rig.random.setScript({ 0.0, 0.2 }); // row 1, then chatter chance 0.2
            rig.engine.tickerFired();
            QCOMPARE(rig.chatter, QList<qint64>());
            rig.chatterOn = true;
            rig.random.setScript({ 0.0, 0.2 });
            rig.engine.tickerFired();
            QCOMPARE(rig.played, (QList<Play> { { 1, true }, { 2, true } }));
            QCOMPARE(rig.chatter, chatters ? QList<qint64> { 2 } : QList<qint64>());
            QVERIFY(rig.engine.isTickerActive());
        }
    }

    void stillModeAndStopRunNoTimer()
    {
        Rig rig;
        rig.engine.restart();
        QVERIFY(!rig.engine.isTickerActive() && !rig.engine.isHeartbeatActive() && !rig.engine.isStrolling());

        rig.heartbeat(500, { 0.5, 0.0, 0.9, 0.5 }); // strolls
        QVERIFY(rig.engine.isHeartbeatActive());
        QCOMPARE(rig.engine.heartbeat().interval(), 5000);
        QVERIFY(rig.engine.isStrolling());
        rig.engine.setMode(BehaviorMode::Still);
        rig.engine.restart();
        QVERIFY(!rig.engine.isTickerActive() && !rig.engine.isHeartbeatActive() && !rig.engine.isStrolling());
        QCOMPARE(rig.played, (QList<Play> { { 7, false } })); // no idle row at stop

        // An event reaching the engine in still mode plays nothing.
        rig.engine.tickerFired();
        QCOMPARE(rig.played.size(), 1);

        // A listener stopping the engine from inside an event is not overruled.
        rig.engine.setMode(BehaviorMode::Friendly);
        rig.engine.restart();
        QObject::connect(&rig.engine, &BehaviorEngine::rowPlayRequested, &rig.engine, [&] { rig.engine.stop(); });
        rig.engine.tickerFired();
        QVERIFY(!rig.engine.isTickerActive());
    }

    void heartbeatPlaysInPlaceFromPoolOrFallback()
    {
        Rig rig;
        // Pool [idle, idle, wave once, dance]: an idle draw does nothing and records nothing.
        const QList<BehaviorEngine::ActionPick> pool = { { 0, false }, { 0, false }, { 2, true }, { 3, false } };
        rig.engine.setActionPool(pool);
        rig.heartbeat(500, { 0.5, 0.4, 0.0 });
        QVERIFY(rig.played.isEmpty());
        QCOMPARE(rig.engine.lastPlayedRow(), -1);
        rig.chatterOn = true;
        rig.heartbeat(500, { 0.5, 0.9, 0.6, 0.1 });
        rig.heartbeat(500, { 0.5, 0.9, 0.9, 0.3 });
        QCOMPARE(rig.played, (QList<Play> { { 2, true }, { 3, false } }));
        QCOMPARE(rig.chatter, QList<qint64> { 2 });
        QCOMPARE(rig.engine.lastPlayedRow(), 3);

        // Without a pool, one turn in four does nothing; the others play an expressive one-shot.
        rig.engine.setActionPool(QList<BehaviorEngine::ActionPick>());
        rig.heartbeat(500, { 0.5, 0.9, 0.2 });
        QCOMPARE(rig.played.size(), 2);
        rig.heartbeat(500, { 0.5, 0.9, 0.3, 0.0, 0.9 });
        QCOMPARE(rig.played.last(), (Play { 1, true }));

        // Dragging or a running stroll: the heartbeat only re-arms.
        rig.engine.setDragging(true);
        rig.heartbeat(500, { 0.5, 0.9, 0.3, 0.0 });
        QCOMPARE(rig.random.draws() - rig.drawsBefore, 1);
        QVERIFY(rig.engine.isHeartbeatActive());
        QCOMPARE(rig.played.size(), 3);
    }

    void strollDirectionFollowsTheEdges()
    {
        struct Case {
            double x;
            QList<double> draws; // after the heartbeat's own
            double target;
        };
        // The walkable range is 0...1820. Near an end the direction is forced and not drawn; at an
        // end the stroll starts without the 0.4 chance; targets are clamped into the range.
        const QList<Case> cases = { { 10, { 0.3, 0.5 }, 185 }, { 1790, { 0.3, 0.5 }, 1615 }, { 0, { 0.5 }, 175 },
            { 1820, { 0.0 }, 1730 }, { 900, { 0.3, 0.2, 0.5 }, 1075 }, { 900, { 0.3, 0.7, 0.5 }, 725 },
            { 1700, { 0.3, 0.2, 0.99 }, 1820 }, { 100, { 0.3, 0.7, 0.99 }, 0 } };
        for (const Case &c : cases) {
            Rig rig;
            QList<double> draws { 0.5 };
            draws.append(c.draws);
            draws.append(0.123); // must not be drawn
            rig.heartbeat(c.x, draws);
            QVERIFY2(rig.engine.isStrolling(), qPrintable(QString::number(c.x)));
            QCOMPARE(rig.engine.strollTargetX(), c.target);
            QCOMPARE(rig.random.draws() - rig.drawsBefore, c.draws.size() + 1);
            const double direction = c.target > c.x ? 1.0 : -1.0;
            QCOMPARE(rig.engine.strollDirection(), direction);
            QCOMPARE(rig.played, (QList<Play> { { direction > 0 ? 6 : 7, false } }));
        }
    }

    void shortStrollsDoNotStart()
    {
        // A 150-wide screen leaves a 50-point walkable range for a 100-wide pet.
        Rig rig;
        rig.visible = QRectF(0, 0, 150, 1000);
        rig.heartbeat(45, { 0.5, 0.3, 0.0 }); // the target clamps to 50: 5 points
        QVERIFY(!rig.engine.isStrolling());
        QVERIFY(rig.played.isEmpty());
        rig.heartbeat(42, { 0.5, 0.3, 0.0 }); // exactly 8 points
        QVERIFY(rig.engine.isStrolling());
        QCOMPARE(rig.engine.strollTargetX(), 50.0);

        // Swapping the walking rows turns a strolling pet at once, and only when they changed.
        rig.played.clear();
        rig.engine.setMovementRows(7, 6);
        rig.engine.setMovementRows(7, 6);
        QCOMPARE(rig.played, (QList<Play> { { 7, false } }));
    }

    void strollWalksAtConstantSpeedToItsTarget()
    {
        Rig rig;
        rig.heartbeat(500, { 0.5, 0.3, 0.2, 0.5 }); // right, to 675
        rig.engine.strollTick(); // the first tick counts as 1/60 s
        QCOMPARE(rig.frame.x(), 500.0 + 85.0 / 60.0);
        rig.clock.advanceMs(500);
        rig.engine.strollTick();
        QCOMPARE(rig.moves.last(), 42.5);
        rig.clock.advanceMs(16);
        rig.engine.strollTick();
        QCOMPARE(rig.moves.last(), 1.36);
        rig.clock.advanceMs(0);
        rig.engine.strollTick(); // no time passed: no move
        QCOMPARE(rig.moves.size(), 3);
        rig.clock.advanceSeconds(10);
        rig.engine.strollTick(); // a late tick stops at the target exactly
        QCOMPARE(rig.frame.x(), 675.0);
        QVERIFY(!rig.engine.isStrolling());
        QCOMPARE(rig.played.last(), (Play { 0, false }));
    }

    void strollTurnsBackAtTheScreenEdgeAndCachesTheScreen()
    {
        Rig rig;
        rig.heartbeat(500, { 0.5, 0.3, 0.2, 0.99 }); // right, to about 760
        rig.visibleReads = 0;
        rig.engine.strollTick();
        QCOMPARE(rig.visibleReads, 1);
        // The screen shrinks; the engine notices only once its reading is over 0.5 s old.
        rig.visible = QRectF(0, 0, 644, 1040);
        for (int elapsed = 16; elapsed <= 496; elapsed += 16) {
            rig.clock.advanceMs(16);
            rig.engine.strollTick();
        }
        QCOMPARE(rig.visibleReads, 1);
        QVERIFY(rig.engine.isStrolling());
        rig.clock.advanceMs(16);
        rig.engine.strollTick(); // 512 ms: re-read, and the right end 544 is reached
        QCOMPARE(rig.visibleReads, 2);
        QCOMPARE(rig.frame.x(), 544.0);
        QVERIFY(!rig.engine.isStrolling());
        QCOMPARE(rig.played.last(), (Play { 0, false }));

        // A new stroll reads the screen afresh, whatever the old cache's age.
        rig.heartbeat(500, { 0.5, 0.3, 0.7, 0.0 });
        rig.visibleReads = 0;
        rig.visible = QRectF(480, 0, 1000, 1040);
        rig.engine.strollTick();
        rig.clock.advanceMs(400);
        rig.engine.strollTick(); // walking left past the left end stops there
        QCOMPARE(rig.visibleReads, 1);
        QCOMPARE(rig.frame.x(), 480.0);
        QVERIFY(!rig.engine.isStrolling());
    }

    void strollsStayOnTheirOwnScreen()
    {
        // A screen left of the origin: at its right end the pet turns back towards its middle.
        Rig rig;
        rig.visible = QRectF(-1920, 0, 1920, 1040);
        rig.heartbeat(-100, { 0.5, 0.0 });
        QCOMPARE(rig.engine.strollTargetX(), -190.0);
        // A screen right of the first: at its left end the pet walks right, never onto the first one.
        rig.visible = QRectF(1920, 0, 1920, 1040);
        rig.heartbeat(1920, { 0.5, 0.0 });
        QCOMPARE(rig.engine.strollTargetX(), 2010.0);
        rig.heartbeat(1990, { 0.5, 0.3, 0.99 }); // left, 258 points
        QCOMPARE(rig.engine.strollTargetX(), 1920.0);
    }

    void cancelledOrOrphanedStrollsEndInPlace()
    {
        Rig rig;
        rig.engine.cancelStroll(true); // nothing runs: no idle row
        QVERIFY(rig.played.isEmpty());

        rig.heartbeat(500, { 0.5, 0.3, 0.2, 0.5 });
        rig.engine.cancelStroll(true);
        rig.engine.strollTick(); // a stray tick after the end walks nowhere
        QCOMPARE(rig.played, (QList<Play> { { 6, false }, { 0, false } }));
        QVERIFY(rig.moves.isEmpty());

        // The window vanishing ends the stroll with the idle row and moves nothing.
        rig.heartbeat(500, { 0.5, 0.3, 0.2, 0.5 });
        rig.hasWindow = false;
        rig.engine.strollTick();
        QVERIFY(!rig.engine.isStrolling());
        QCOMPARE(rig.played.last(), (Play { 0, false }));
        QVERIFY(rig.moves.isEmpty());
        // Without a window the heartbeat neither strolls nor fails.
        rig.heartbeat(500, { 0.5, 0.0 });
        QVERIFY(!rig.engine.isStrolling());
    }
};

TAMSEL_TEST_MAIN(TestBehaviorEngine)
#include "tst_behaviorengine.moc"
