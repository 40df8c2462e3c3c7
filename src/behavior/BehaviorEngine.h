#pragma once

#include "behavior/PetStateMachine.h"
#include "settings/SettingsEnums.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QTimer>

#include <functional>
#include <optional>

class Clock;
class RandomSource;

// Makes the pet act on its own. In still mode it does nothing; in friendly and busy modes it plays
// a short expressive row now and then; in wander mode a heartbeat every 3-7 s either walks the pet
// left or right along its screen or plays a row in place. The engine owns only timers and numbers:
// it asks for rows, moves and chatter through its signals and reads the pet window's geometry
// through the callbacks of WindowGeometry. A mode takes effect at restart(). No timer runs while
// the engine is stopped or in still mode. Main thread only.
class BehaviorEngine : public QObject {
    Q_OBJECT

public:
    // An in-place animation of wander mode: the row, and whether it plays once (else it loops).
    struct ActionPick {
        qint64 row = 0;
        bool oneShot = false;
        bool operator==(const ActionPick &) const = default;
    };

    // How the engine sees the pet window. frame is none when there is no window; visibleFrame is
    // the available area of the screen holding the window's centre (else the primary screen), or
    // none when there is no screen, in which case the window's own frame stands in for it.
    // Missing callbacks count as "no window".
    struct WindowGeometry {
        std::function<std::optional<QRectF>()> frame;
        std::function<std::optional<QRectF>()> visibleFrame;
    };

    static constexpr double strollSpeed = 85.0; // points per second
    static constexpr double strollMinDistance = 8.0;
    static constexpr double strollDistanceBase = 90.0;
    static constexpr double strollDistanceJitter = 170.0;
    static constexpr double edgeBuffer = 48.0;
    static constexpr double strollProbability = 0.4;
    static constexpr double heartbeatMin = 3.0; // seconds
    static constexpr double heartbeatMax = 7.0;
    static constexpr int strollTickMs = 16; // about 60 ticks a second
    // The cached visible frame is re-read when older than this.
    static constexpr qint64 visibleFrameMaxAgeMs = 500;

    BehaviorEngine(Clock &clock, RandomSource &random, QObject *parent = nullptr);
    ~BehaviorEngine() override;

    // Configuration, set by the coordinator; none of it starts or stops anything.
    void setStateMachine(PetStateMachine *stateMachine) { m_stateMachine = stateMachine; }
    PetStateMachine *stateMachine() const { return m_stateMachine; }
    void setWindowGeometry(WindowGeometry geometry) { m_window = std::move(geometry); }
    // Whether chatter may be said; chatter is off while this is unset.
    void setChatterEnabledQuery(std::function<bool()> query) { m_chatterEnabled = std::move(query); }
    void setMaxRow(qint64 row) { m_maxRow = row; }
    qint64 maxRow() const { return m_maxRow; }
    void setMovementRows(std::optional<qint64> right, std::optional<qint64> left);
    std::optional<qint64> moveRightRow() const { return m_moveRightRow; }
    std::optional<qint64> moveLeftRow() const { return m_moveLeftRow; }
    void setActionPool(std::optional<QList<ActionPick>> pool) { m_actionPool = std::move(pool); }
    const std::optional<QList<ActionPick>> &actionPool() const { return m_actionPool; }
    void setMode(BehaviorMode mode) { m_mode = mode; }
    BehaviorMode mode() const { return m_mode; }

    // Stops everything, then starts the timers of the current mode.
    void restart();
    // Stops every timer and any stroll, without asking for the idle row.
    void stop();
    // Ends a running stroll, asking for the idle row when returnToIdle is set. Does nothing at all
    // when no stroll runs.
    void cancelStroll(bool returnToIdle);

    // A drag starting cancels a running stroll without asking for the idle row.
    void setDragging(bool dragging);
    bool isDragging() const { return m_isDragging; }

    // The row to play while moving in a direction (> 0 right, else left).
    qint64 runRow(double direction) const;
    // A row in 1...maxRow other than the last one played (unless nothing else is left), leaving
    // out the movement rows on request (rows 5-7 when the pet has none); none when maxRow < 1.
    std::optional<qint64> randomExpressiveRow(bool excludingMovementRows);

    bool isTickerActive() const { return m_ticker.isActive(); }
    bool isHeartbeatActive() const { return m_heartbeat.isActive(); }
    bool isStrolling() const { return m_strollDriver.isActive(); }
    const QTimer &ticker() const { return m_ticker; }
    const QTimer &heartbeat() const { return m_heartbeat; }
    const QTimer &strollDriver() const { return m_strollDriver; }
    qint64 lastPlayedRow() const { return m_lastPlayedRow; }
    double wanderDirection() const { return m_wanderDirection; }
    double strollTargetX() const { return m_strollTargetX; }
    double strollDirection() const { return m_strollDirection; }

public slots:
    // What the timers run; public so that tests can fire them without waiting.
    void tickerFired();
    void heartbeatFired();
    void strollTick();

signals:
    // Play a row, once (then back to the idle or pinned row) or looping.
    void rowPlayRequested(qint64 row, bool oneShot);
    // Move the pet window by this offset.
    void windowMoveRequested(double dx, double dy);
    // Say a chatter line that belongs to a row.
    void chatterRequested(qint64 row);

private:
    struct EdgeStatus {
        bool atLeft = false;
        bool atRight = false;
    };

    void scheduleNext();
    double nextDelaySeconds();
    void performEvent();
    void armHeartbeat();
    std::optional<EdgeStatus> currentEdgeStatus() const;
    void playInPlaceAnimation();
    void startStroll();
    void endStrollTimer();
    std::optional<QRectF> windowFrame() const;
    QRectF visibleFrameFor(const QRectF &frame) const;
    bool chatterEnabled() const { return m_chatterEnabled && m_chatterEnabled(); }
    bool chance(double probability);

    Clock &m_clock;
    RandomSource &m_random;
    QPointer<PetStateMachine> m_stateMachine;
    WindowGeometry m_window;
    std::function<bool()> m_chatterEnabled;
    qint64 m_maxRow = 0;
    std::optional<qint64> m_moveRightRow;
    std::optional<qint64> m_moveLeftRow;
    std::optional<QList<ActionPick>> m_actionPool;
    BehaviorMode m_mode = BehaviorMode::Still;
    bool m_isDragging = false;
    QTimer m_ticker;
    double m_wanderDirection = 1.0;
    qint64 m_lastPlayedRow = -1;
    QTimer m_heartbeat;
    QTimer m_strollDriver;
    std::optional<QRectF> m_strollVisibleFrame;
    std::optional<qint64> m_strollVisibleFrameReadAtMs;
    double m_strollTargetX = 0.0;
    double m_strollDirection = 1.0;
    std::optional<qint64> m_strollLastTickMs;
    // Bumped by stop(), so that a step interrupted by a listener that stopped or restarted the
    // engine does not start timers of its own afterwards.
    quint64 m_generation = 0;
};
