// The coordinator's side of the behaviour engine (which rows it may play, and carrying out what it
// asks for) and the idle check.
#include "app/AppDelegate.h"

#include "settings/SettingsStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "pets/PetLibrary.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"
#include "platform/WindowSystem.h"
#include "behavior/SpeakingTime.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr qint64 kLongIdleAfterSeconds = 8 * 60;
constexpr qint64 kLongIdleRepeatSeconds = 20 * 60;
constexpr int kIdleCheckIntervalMs = 60 * 1000;
// Moves asked of the window system and not yet confirmed, at most.
constexpr qsizetype kRememberedMoves = 16;

struct PoolKeyword {
    QLatin1String keyword;
    bool oneShot;
};

// In-place animations of wander mode, found by their names.
constexpr std::array kPoolKeywords {
    PoolKeyword { QLatin1String("wave"), true },
    PoolKeyword { QLatin1String("jump"), true },
    PoolKeyword { QLatin1String("danc"), false },
    PoolKeyword { QLatin1String("wait"), false },
    PoolKeyword { QLatin1String("tired"), false },
    PoolKeyword { QLatin1String("review"), false },
};

}

AppDelegate::MovementRows AppDelegate::deriveMovementRows(const QString &petID) const
{
    MovementRows rows;
    if (!m_decoder)
        return rows;
    for (qint64 row : m_decoder->nonEmptyRows()) {
        const QString name = m_animationMapStore->mapping(petID, row).name.toLower();
        if (name.isEmpty())
            continue;
        if (!rows.right && name.contains(QLatin1String("right")))
            rows.right = row;
        else if (!rows.left && name.contains(QLatin1String("left")))
            rows.left = row;
    }
    const auto bundledID = m_env.library->bundledPetID();
    if (m_env.settings->isMovementInverted(petID, bundledID.value_or(QString())))
        std::swap(rows.right, rows.left);
    return rows;
}

std::optional<QList<BehaviorEngine::ActionPick>> AppDelegate::buildActionPool(const QString &petID) const
{
    if (!m_decoder)
        return std::nullopt;
    const QList<qint64> rows = m_decoder->nonEmptyRows();
    const auto right = m_behaviorEngine->moveRightRow();
    const auto left = m_behaviorEngine->moveLeftRow();
    QList<BehaviorEngine::ActionPick> found;
    for (const PoolKeyword &entry : kPoolKeywords) {
        for (qint64 row : rows) {
            if (row == 0 || row == right || row == left)
                continue;
            if (m_animationMapStore->mapping(petID, row).name.toLower().contains(entry.keyword)) {
                found.append({ row, entry.oneShot });
                break;
            }
        }
    }
    if (found.isEmpty())
        return std::nullopt;
    // Two idle picks make doing nothing the likeliest draw.
    QList<BehaviorEngine::ActionPick> pool { { 0, false }, { 0, false } };
    pool.append(found);
    return pool;
}

void AppDelegate::refreshBehaviorDerivedRows()
{
    if (!m_currentPackage)
        return;
    const MovementRows rows = deriveMovementRows(m_currentPackage->id());
    m_behaviorEngine->setMovementRows(rows.right, rows.left);
    m_behaviorEngine->setActionPool(buildActionPool(m_currentPackage->id()));
}

void AppDelegate::behaviorPlayRow(qint64 row, bool oneShot)
{
    if (m_pinnedRow || !rowHasFrames(row))
        return;
    playAnimation(oneShot ? PetAnimationState::Waving : PetAnimationState::Idle, row, !oneShot);
}

void AppDelegate::behaviorMoveWindow(double dx, double dy)
{
    if (!m_windowController)
        return;
    QWidget *window = m_windowController->window();
    const QRectF frame = petWindowFrame();
    QRectF visible = frame;
    if (QScreen *screen = m_windowController->screen())
        visible = QRectF(screen->availableGeometry());
    double x = std::min(frame.x() + dx, visible.x() + visible.width() - frame.width());
    x = std::max(x, visible.x());
    double y = std::min(frame.y() + dy, visible.y() + visible.height() - frame.height());
    y = std::max(y, visible.y());
    if (QPointF(x, y) == frame.topLeft())
        return;
    // The window sits on whole pixels; the exact position is kept so that steps of a fraction of a
    // pixel add up to the right speed.
    m_precisePetOrigin = QPointF(x, y);
    const QPoint target(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    if (target == (m_requestedPetOrigins.isEmpty() ? window->pos() : m_requestedPetOrigins.constLast()))
        return;
    m_requestedPetOrigins.append(target);
    if (m_requestedPetOrigins.size() > kRememberedMoves)
        m_requestedPetOrigins.removeFirst();
    // The window system's confirmation moves the bubble along (see eventFilter).
    if (!m_env.windowSystem || !m_env.windowSystem->moveWindow(m_windowController->windowHandle(), target))
        window->move(target);
}

QRectF AppDelegate::petWindowFrame() const
{
    const QRect actual = m_windowController->window()->geometry();
    if (m_precisePetOrigin)
        return QRectF(*m_precisePetOrigin, QSizeF(actual.size()));
    return QRectF(actual);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Move && m_windowController && watched == m_windowController->window()) {
        // A move nobody here asked for (a drag, the window manager) makes the window's own
        // position the truth again.
        const QPoint now = m_windowController->window()->pos();
        const qsizetype index = m_requestedPetOrigins.indexOf(now);
        if (index < 0) {
            m_precisePetOrigin.reset();
            m_requestedPetOrigins.clear();
        } else {
            m_requestedPetOrigins.remove(0, index + 1);
        }
        m_speechBubble->repositionAboveCurrentPet();
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::speakForBehaviorRow(qint64 row)
{
    if (!m_currentPackage)
        return;
    const QStringList lines = m_animationMapStore->chatter(m_currentPackage->id(), row);
    if (lines.isEmpty())
        return;
    const QString &line = lines.at(m_env.random->boundedInt(0, lines.size() - 1));
    m_speechBubble->show(line, SpeakingTime::forLine(line));
}

void AppDelegate::setBehaviorMode(BehaviorMode mode)
{
    m_env.settings->setBehaviorMode(mode);
    m_behaviorEngine->setMode(mode);
    if (!m_behaviorSuspended)
        m_behaviorEngine->restart();
    rebuildMainMenu();
}

void AppDelegate::suspendBehaviorWhileHidden(bool hidden)
{
    // Nothing the pet does on its own is worth a wake-up while nobody can see it.
    if (hidden && !m_behaviorSuspended) {
        m_behaviorSuspended = true;
        m_behaviorEngine->stop();
    } else if (!hidden && m_behaviorSuspended) {
        m_behaviorSuspended = false;
        m_behaviorEngine->restart();
    }
    if (hidden)
        m_idleCheckTimer.stop();
    else if (m_idleChecksStarted && !m_idleCheckTimer.isActive())
        m_idleCheckTimer.start();
}

void AppDelegate::wireBehaviorEngine()
{
    m_behaviorEngine->setStateMachine(&m_stateMachine);
    m_behaviorEngine->setChatterEnabledQuery([settings = m_env.settings] { return settings->chatterEnabled(); });
    QPointer<AppDelegate> self(this);
    BehaviorEngine::WindowGeometry geometry;
    geometry.frame = [self]() -> std::optional<QRectF> {
        if (!self || !self->m_windowController)
            return std::nullopt;
        return self->petWindowFrame();
    };
    geometry.visibleFrame = [self]() -> std::optional<QRectF> {
        if (!self || !self->m_windowController)
            return std::nullopt;
        QScreen *screen = self->m_windowController->screen();
        return screen ? std::optional<QRectF>(QRectF(screen->availableGeometry())) : std::nullopt;
    };
    m_behaviorEngine->setWindowGeometry(std::move(geometry));
    connect(m_behaviorEngine.get(), &BehaviorEngine::rowPlayRequested, this, &AppDelegate::behaviorPlayRow);
    connect(m_behaviorEngine.get(), &BehaviorEngine::windowMoveRequested, this, &AppDelegate::behaviorMoveWindow);
    connect(m_behaviorEngine.get(), &BehaviorEngine::chatterRequested, this, &AppDelegate::speakForBehaviorRow);
}

void AppDelegate::configureBehaviorForCurrentPet()
{
    const QList<qint64> rows = m_decoder ? m_decoder->nonEmptyRows() : QList<qint64>();
    m_behaviorEngine->setMaxRow(rows.isEmpty() ? 0 : std::max<qint64>(rows.constLast(), 0));
    refreshBehaviorDerivedRows();
    m_behaviorEngine->setMode(m_env.settings->behaviorMode());
    m_behaviorEngine->restart();
}

const QStringList &AppDelegate::longIdleLines()
{
    static const QStringList lines { QStringLiteral("still there?"), QStringLiteral("you ok?"), QStringLiteral("afk?"),
        QStringLiteral("psst — i miss you"), QStringLiteral("checking in"), QStringLiteral("long quiet stretch") };
    return lines;
}

void AppDelegate::startBackgroundTimers()
{
    m_idleCheckTimer.stop();
    m_idleCheckTimer.setInterval(kIdleCheckIntervalMs);
    m_idleCheckTimer.disconnect(this);
    connect(&m_idleCheckTimer, &QTimer::timeout, this, &AppDelegate::checkLongIdle);
    m_idleChecksStarted = true;
    // The check only ever speaks to a visible pet, so it waits while there is none.
    if (isPetWindowVisible())
        m_idleCheckTimer.start();
}

void AppDelegate::checkLongIdle()
{
    if (!m_env.settings->chatterEnabled() || !m_windowController || !m_windowController->isVisible())
        return;
    const QDateTime now = m_env.clock->now();
    if (m_lastInteractionAt.secsTo(now) < kLongIdleAfterSeconds)
        return;
    if (m_lastLongIdleFireAt && m_lastLongIdleFireAt->secsTo(now) < kLongIdleRepeatSeconds)
        return;
    const QStringList &lines = longIdleLines();
    const QString &line = lines.at(m_env.random->boundedInt(0, lines.size() - 1));
    m_speechBubble->show(line, SpeakingTime::forLine(line));
    m_lastLongIdleFireAt = now;
}
