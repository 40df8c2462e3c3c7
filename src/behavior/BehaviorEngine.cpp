#include "behavior/BehaviorEngine.h"

#include "platform/Clock.h"
#include "platform/RandomSource.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFirstTickSeconds = 1.0 / 60.0;

// The x range the window's left edge may take inside a visible frame: from the frame's left edge
// to its right edge less the window's width (never less than the left edge, for a window wider
// than its screen).
struct WalkableRange {
    double left;
    double right;
};

WalkableRange walkableRange(const QRectF &visible, const QRectF &window)
{
    const double left = visible.x();
    return { left, std::max(visible.x() + visible.width() - window.width(), left) };
}

int toMs(double seconds)
{
    return static_cast<int>(std::lround(seconds * 1000.0));
}

}

BehaviorEngine::BehaviorEngine(Clock &clock, RandomSource &random, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_random(random)
{
    m_ticker.setSingleShot(true);
    m_heartbeat.setSingleShot(true);
    m_strollDriver.setInterval(strollTickMs);
    m_strollDriver.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &BehaviorEngine::tickerFired);
    connect(&m_heartbeat, &QTimer::timeout, this, &BehaviorEngine::heartbeatFired);
    connect(&m_strollDriver, &QTimer::timeout, this, &BehaviorEngine::strollTick);
}

BehaviorEngine::~BehaviorEngine() = default;

void BehaviorEngine::setMovementRows(std::optional<qint64> right, std::optional<qint64> left)
{
    const bool turned = right != m_moveRightRow || left != m_moveLeftRow;
    m_moveRightRow = right;
    m_moveLeftRow = left;
    // A pet walking in the old pose would keep running backwards until its next stroll.
    if (turned && isStrolling())
        emit rowPlayRequested(runRow(m_strollDirection), false);
}

void BehaviorEngine::restart()
{
    stop();
    switch (m_mode) {
    case BehaviorMode::Still: break;
    case BehaviorMode::Friendly:
    case BehaviorMode::Busy: scheduleNext(); break;
    case BehaviorMode::Wander: armHeartbeat(); break;
    }
}

void BehaviorEngine::stop()
{
    ++m_generation;
    m_ticker.stop();
    m_heartbeat.stop();
    cancelStroll(false);
}

void BehaviorEngine::cancelStroll(bool returnToIdle)
{
    if (!m_strollDriver.isActive())
        return;
    endStrollTimer();
    if (returnToIdle)
        emit rowPlayRequested(0, false);
}

void BehaviorEngine::endStrollTimer()
{
    m_strollDriver.stop();
    m_strollLastTickMs.reset();
    m_strollVisibleFrame.reset();
    m_strollVisibleFrameReadAtMs.reset();
}

void BehaviorEngine::setDragging(bool dragging)
{
    const bool starts = dragging && !m_isDragging;
    m_isDragging = dragging;
    if (starts)
        cancelStroll(false);
}

qint64 BehaviorEngine::runRow(double direction) const
{
    if (direction > 0 && m_moveRightRow)
        return *m_moveRightRow;
    if (direction < 0 && m_moveLeftRow)
        return *m_moveLeftRow;
    if (m_moveRightRow)
        return *m_moveRightRow;
    if (m_moveLeftRow)
        return *m_moveLeftRow;
    return std::min<qint64>(direction > 0 ? 6 : 7, m_maxRow);
}

std::optional<qint64> BehaviorEngine::randomExpressiveRow(bool excludingMovementRows)
{
    if (m_maxRow < 1)
        return std::nullopt;
    QList<qint64> movementRows;
    if (excludingMovementRows) {
        if (m_moveRightRow)
            movementRows.append(*m_moveRightRow);
        if (m_moveLeftRow)
            movementRows.append(*m_moveLeftRow);
        if (!m_moveRightRow && !m_moveLeftRow)
            movementRows = { 5, 6, 7 };
    }
    const auto candidates = [&](bool excludeLast) {
        QList<qint64> rows;
        for (qint64 row = 1; row <= m_maxRow; ++row) {
            if ((excludeLast && row == m_lastPlayedRow) || movementRows.contains(row))
                continue;
            rows.append(row);
        }
        return rows;
    };
    QList<qint64> rows = candidates(true);
    if (rows.isEmpty())
        rows = candidates(false);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.at(m_random.boundedInt(0, rows.size() - 1));
}

bool BehaviorEngine::chance(double probability)
{
    return m_random.boundedDouble(0.0, 1.0) < probability;
}

// Friendly and busy modes.

void BehaviorEngine::scheduleNext()
{
    m_ticker.start(toMs(nextDelaySeconds()));
}

double BehaviorEngine::nextDelaySeconds()
{
    switch (m_mode) {
    case BehaviorMode::Friendly:
        return chance(0.15) ? m_random.boundedDouble(25.0, 45.0) : m_random.boundedDouble(8.0, 18.0);
    case BehaviorMode::Busy: return chance(0.2) ? m_random.boundedDouble(10.0, 18.0) : m_random.boundedDouble(3.0, 8.0);
    case BehaviorMode::Still:
    case BehaviorMode::Wander: break;
    }
    return 60.0;
}

void BehaviorEngine::tickerFired()
{
    const quint64 generation = m_generation;
    performEvent();
    // A listener may have stopped or restarted the engine meanwhile; then it owns the timers.
    if (generation == m_generation)
        scheduleNext();
}

void BehaviorEngine::performEvent()
{
    if (m_mode != BehaviorMode::Friendly && m_mode != BehaviorMode::Busy)
        return;
    const double chatterChance = m_mode == BehaviorMode::Friendly ? 0.25 : 0.08;
    const auto row = randomExpressiveRow(true);
    if (!row)
        return;
    m_lastPlayedRow = *row;
    emit rowPlayRequested(*row, true);
    if (chatterEnabled() && chance(chatterChance))
        emit chatterRequested(*row);
}

// Wander mode.

void BehaviorEngine::armHeartbeat()
{
    m_heartbeat.start(toMs(m_random.boundedDouble(heartbeatMin, heartbeatMax)));
}

void BehaviorEngine::heartbeatFired()
{
    armHeartbeat();
    if (m_isDragging || isStrolling())
        return;
    const auto edges = currentEdgeStatus();
    if (edges && (edges->atLeft || edges->atRight))
        startStroll();
    else if (chance(strollProbability))
        startStroll();
    else
        playInPlaceAnimation();
}

std::optional<QRectF> BehaviorEngine::windowFrame() const
{
    return m_window.frame ? m_window.frame() : std::nullopt;
}

QRectF BehaviorEngine::visibleFrameFor(const QRectF &frame) const
{
    const std::optional<QRectF> visible = m_window.visibleFrame ? m_window.visibleFrame() : std::nullopt;
    return visible.value_or(frame);
}

std::optional<BehaviorEngine::EdgeStatus> BehaviorEngine::currentEdgeStatus() const
{
    const auto frame = windowFrame();
    if (!frame)
        return std::nullopt;
    const WalkableRange range = walkableRange(visibleFrameFor(*frame), *frame);
    return EdgeStatus { frame->x() <= range.left + 1.0, range.right - 1.0 <= frame->x() };
}

void BehaviorEngine::playInPlaceAnimation()
{
    qint64 row = 0;
    if (m_actionPool && !m_actionPool->isEmpty()) {
        const ActionPick pick = m_actionPool->at(m_random.boundedInt(0, m_actionPool->size() - 1));
        if (pick.row == 0)
            return;
        row = pick.row;
        emit rowPlayRequested(row, pick.oneShot);
    } else {
        if (chance(0.25))
            return;
        const auto expressive = randomExpressiveRow(true);
        if (!expressive)
            return;
        row = *expressive;
        emit rowPlayRequested(row, true);
    }
    m_lastPlayedRow = row;
    if (chatterEnabled() && chance(0.2))
        emit chatterRequested(row);
}

void BehaviorEngine::startStroll()
{
    const auto frame = windowFrame();
    if (!frame)
        return;
    const WalkableRange range = walkableRange(visibleFrameFor(*frame), *frame);
    const double x = frame->x();
    double direction;
    if (x < range.left + edgeBuffer)
        direction = 1.0;
    else if (x > range.right - edgeBuffer)
        direction = -1.0;
    else
        direction = chance(0.5) ? 1.0 : -1.0;
    const double distance = m_random.boundedDouble(0.0, strollDistanceJitter) + strollDistanceBase;
    const double target = std::max(std::min(x + direction * distance, range.right), range.left);
    if (std::abs(target - x) < strollMinDistance)
        return;

    m_strollDirection = x < target ? 1.0 : -1.0;
    m_strollTargetX = target;
    m_strollLastTickMs.reset();
    m_wanderDirection = m_strollDirection;
    const quint64 generation = m_generation;
    emit rowPlayRequested(runRow(m_strollDirection), false);
    if (generation == m_generation && !m_isDragging)
        m_strollDriver.start();
}

void BehaviorEngine::strollTick()
{
    // A tick outside a stroll (a caller's stray call) has nothing to walk towards.
    if (!isStrolling())
        return;
    if (m_isDragging) {
        endStrollTimer();
        return;
    }
    const auto frame = windowFrame();
    if (!frame) {
        cancelStroll(true);
        return;
    }
    const qint64 now = m_clock.monotonicMs();
    const double dt = m_strollLastTickMs ? static_cast<double>(now - *m_strollLastTickMs) / 1000.0 : kFirstTickSeconds;
    m_strollLastTickMs = now;

    if (!m_strollVisibleFrame || !m_strollVisibleFrameReadAtMs
        || now - *m_strollVisibleFrameReadAtMs > visibleFrameMaxAgeMs) {
        m_strollVisibleFrame = visibleFrameFor(*frame);
        m_strollVisibleFrameReadAtMs = now;
    }

    const WalkableRange range = walkableRange(*m_strollVisibleFrame, *frame);
    const double x = frame->x();
    const double next = x + m_strollDirection * strollSpeed * dt;
    std::optional<double> end;
    if (m_strollDirection < 0) {
        if (next <= range.left)
            end = range.left;
        else if (next <= m_strollTargetX)
            end = m_strollTargetX;
    } else {
        if (next >= range.right)
            end = range.right;
        else if (next >= m_strollTargetX)
            end = m_strollTargetX;
    }

    const double dx = end.value_or(next) - x;
    if (dx != 0.0)
        emit windowMoveRequested(dx, 0.0);
    if (end)
        cancelStroll(true);
}
