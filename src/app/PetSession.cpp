#include "app/PetSession.h"

#include "app/BehaviorDirector.h"
#include "behavior/AnimationPlayer.h"
#include "behavior/SpeakingTime.h"
#include "foundation/Log.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "platform/RandomSource.h"
#include "settings/ClickBehavior.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/PetAnimationMapStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
// A manifest may declare any cell size; the window never grows past this many points a side.
constexpr double kMaxWindowSide = 2048.0;
// No screen reaches this far from the origin; a saved position beyond it is a hand edit.
constexpr double kMaxOriginCoordinate = 1'000'000.0;
// Row 0 plays at this rate unless it is also a movement row.
constexpr double kIdleFps = 8.0;
}

PetSession::PetSession(const PetPackage &package, std::shared_ptr<SpriteSheetDecoder> decoder, const Services &services,
    std::unique_ptr<PetWindowController> window, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_package(package)
    , m_decoder(std::move(decoder))
    , m_window(window ? std::move(window) : createWindow(m_decoder->frameSize(), services))
{
    SettingsStore &settings = m_services.settings;
    // A window made before the atlas was decoded may have been made for cells larger than it.
    m_window->window()->resize(windowSize(m_decoder->frameSize(), settings.scale()));
    m_behavior = std::make_unique<BehaviorDirector>(
        *m_window, m_services.clock, m_services.random, m_services.windowSystem, m_services.stateMachine, settings);
    refreshRows();
    BehaviorEngine &engine = m_behavior->engine();
    connect(&engine, &BehaviorEngine::rowPlayRequested, this, &PetSession::onEngineRow);
    connect(&engine, &BehaviorEngine::chatterRequested, this, &PetSession::onChatter);
    connect(m_behavior.get(), &BehaviorDirector::windowMoved, &m_services.bubble,
        &SpeechBubbleController::repositionAboveCurrentPet);

    m_player = std::make_unique<AnimationPlayer>(
        m_decoder, AnimationRules::resolveAnimation(PetAnimationState::Idle, animationContext()));
    connect(m_player.get(), &AnimationPlayer::frameEmitted, this, &PetSession::onFrame);
    connect(m_player.get(), &AnimationPlayer::oneShotFinished, this, &PetSession::onOneShotFinished);
    connect(&m_services.stateMachine, &PetStateMachine::stateEntered, this, &PetSession::onStateEntered);

    PetSpriteView *view = m_window->spriteView();
    // A row that only loops is played by the window system, without a wake-up per frame here.
    m_player->setLoopOutlet(view);
    connect(view, &PetSpriteView::loopEnded, m_player.get(), &AnimationPlayer::loopReturned);
    connect(view, &PetSpriteView::clicked, this, &PetSession::onClick);
    connect(view, &PetSpriteView::doubleClicked, this, &PetSession::onDoubleClick);
    connect(view, &PetSpriteView::ctrlDoubleClicked, this, [this] {
        emit interacted();
        m_behavior->engine().cancelStroll(true);
        emit askPromptRequested();
    });
    connect(view, &PetSpriteView::dragStarted, this, &PetSession::onDragStarted);
    connect(view, &PetSpriteView::draggedInDirection, this, &PetSession::onDragged);
    connect(view, &PetSpriteView::dragEnded, this, &PetSession::onDragEnded);
    connect(view, &PetSpriteView::contextMenuRequested, this, [this](QPointF at) {
        emit interacted();
        m_behavior->engine().cancelStroll(true);
        emit contextMenuRequested(at.toPoint());
    });
    connect(m_window.get(), &PetWindowController::visibilityChanged, this, &PetSession::onVisibilityChanged);
    // Losing the pointer to another program mid-press must not leave a drag hanging.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive && m_window->spriteView()->isPressed())
            m_window->spriteView()->endPressWithoutClick();
    });

    m_services.stateMachine.request(PetAnimationState::Idle, PetStateMachine::Source::System);
    m_player->emitCurrent();
    m_player->play();
    // Nothing plays until the window is on screen.
    m_player->setSuspended(true);
    m_services.bubble.setPetWindow(m_window->window());
}

PetSession::~PetSession()
{
    m_player->stop();
    m_player->setLoopOutlet(nullptr);
    m_player->disconnect(this);
    m_behavior.reset();
    m_services.bubble.setPetWindow(nullptr);
    m_window->disconnect(this);
    m_window->hide();
}

std::unique_ptr<PetWindowController> PetSession::createWindow(QSize frame, const Services &services)
{
    const SettingsStore &settings = services.settings;
    auto window = std::make_unique<PetWindowController>(
        windowSize(frame, settings.scale()), usableOrigin(settings.lastPosition()), services.windowSystem);
    window->setClickThrough(settings.value(SettingsKeys::clickThrough));
    window->setWindowLevel(settings.windowLevel());
    window->recoverIfOffscreen();
    return window;
}

qint64 PetSession::firstRow(const PetManifest &manifest)
{
    // What the player starts with: the declared idle animation, else row 0.
    AnimationRules::Context context;
    context.manifest = &manifest;
    return AnimationRules::resolveAnimation(PetAnimationState::Idle, context).row;
}

QSize PetSession::windowSize(QSize frame, double scale)
{
    const auto side = [scale](int pixels) {
        const double length = std::round(scale * static_cast<double>(pixels));
        return static_cast<int>(std::isfinite(length) ? std::clamp(length, 1.0, kMaxWindowSide) : 1.0);
    };
    return { side(frame.width()), side(frame.height()) };
}

std::optional<QPoint> PetSession::usableOrigin(std::optional<QPointF> saved)
{
    const auto usable
        = [](double coordinate) { return std::isfinite(coordinate) && std::abs(coordinate) <= kMaxOriginCoordinate; };
    if (!saved || !usable(saved->x()) || !usable(saved->y()))
        return std::nullopt;
    return QPoint(static_cast<int>(std::lround(saved->x())), static_cast<int>(std::lround(saved->y())));
}

void PetSession::setShown(bool shown)
{
    if (shown)
        m_window->show();
    else
        m_window->hide();
    // A window taken over while already on screen tells no change of its own.
    if (m_window->isVisible())
        onVisibilityChanged(true);
}

bool PetSession::isShown() const
{
    return m_window->isVisible();
}

AnimationRules::Context PetSession::animationContext() const
{
    AnimationRules::Context context;
    context.manifest = &m_package.manifest;
    context.decoder = m_decoder.get();
    context.moveRightRow = m_behavior->engine().moveRightRow();
    context.moveLeftRow = m_behavior->engine().moveLeftRow();
    context.rowName = [this](qint64 row) { return rowName(row); };
    context.speed = m_services.settings.playbackSpeed();
    return context;
}

QString PetSession::rowName(qint64 row) const
{
    return m_services.maps.mapping(m_package.id(), row).name;
}

bool PetSession::rowHasFrames(qint64 row) const
{
    return m_decoder->effectiveFrameCount(row) >= 1;
}

void PetSession::playAnimation(PetAnimationState label, qint64 row, bool loop, std::optional<double> fps)
{
    PetAnimation animation;
    animation.state = label;
    animation.row = row;
    animation.frameCount = std::max<qint64>(m_decoder->effectiveFrameCount(row), 1);
    animation.fps = fps.value_or(AnimationRules::scaledFps(row, animationContext()));
    animation.loop = loop;
    qCDebug(lcTamselTrace).nospace() << "playing row " << row << (loop ? " looping" : " once");
    m_player->set(animation, true);
    m_player->play();
}

void PetSession::playIdleRow()
{
    const BehaviorEngine &engine = m_behavior->engine();
    const bool idleIsMovementRow = engine.moveRightRow() == 0 || engine.moveLeftRow() == 0;
    const double base = idleIsMovementRow ? AnimationRules::movementFps : kIdleFps;
    playAnimation(PetAnimationState::Idle, 0, true,
        std::max(base * AnimationRules::effectiveSpeed(m_services.settings.playbackSpeed()), 1.0));
}

void PetSession::pinRow(qint64 row)
{
    if (!rowHasFrames(row))
        return;
    m_pinnedRow = row;
    playAnimation(PetAnimationState::Idle, row, true);
    emit menuStateChanged();
}

void PetSession::clearPinnedRow()
{
    m_pinnedRow.reset();
    playIdleRow();
    emit menuStateChanged();
}

void PetSession::playRowOneShot(qint64 row)
{
    if (!rowHasFrames(row))
        return;
    // A stroll would slide the pet across the screen in this row's pose.
    m_behavior->engine().cancelStroll(false);
    playAnimation(PetAnimationState::Waving, row, false);
}

std::optional<qint64> PetSession::randomNonDefaultRow() const
{
    QList<qint64> rows = m_decoder->nonEmptyRows();
    rows.removeAll(0);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.at(m_services.random.boundedInt(0, rows.size() - 1));
}

void PetSession::refreshRows()
{
    const QString id = m_package.id();
    m_behavior->setRows(
        m_decoder->nonEmptyRows(), [this](qint64 row) { return rowName(row); },
        m_services.settings.isMovementInverted(id, m_services.bundledPetID));
}

void PetSession::applyPlaybackSpeed()
{
    AnimationRules::applyPlaybackSpeed(*m_player, animationContext());
}

void PetSession::applyScale()
{
    QWidget *window = m_window->window();
    const QRect old = window->geometry();
    const QSize size = windowSize(m_decoder->frameSize(), m_services.settings.scale());
    // Keep the centre where it was.
    const QPoint topLeft(old.x() - (size.width() - old.width()) / 2, old.y() - (size.height() - old.height()) / 2);
    window->setGeometry(QRect(topLeft, size));
    m_window->recoverIfOffscreen();
    m_services.bubble.repositionAboveCurrentPet();
}

void PetSession::saveFrame()
{
    m_services.settings.setLastPosition(QPointF(m_window->window()->pos()));
    if (QScreen *screen = m_window->screen())
        m_services.settings.setValue(SettingsKeys::lastScreenID, PetWindowController::identifier(screen));
}

void PetSession::onEngineRow(qint64 row, bool oneShot)
{
    if (m_pinnedRow || !rowHasFrames(row))
        return;
    playAnimation(oneShot ? PetAnimationState::Waving : PetAnimationState::Idle, row, !oneShot);
}

void PetSession::onChatter(qint64 row)
{
    const QStringList lines = m_services.maps.chatter(m_package.id(), row);
    if (lines.isEmpty())
        return;
    const QString &line = lines.at(m_services.random.boundedInt(0, lines.size() - 1));
    m_services.bubble.show(line, SpeakingTime::forLine(line));
}

void PetSession::onStateEntered(PetAnimationState state)
{
    if (m_pinnedRow)
        return;
    m_player->set(AnimationRules::resolveAnimation(state, animationContext()), true);
    m_player->play();
    emit menuStateChanged();
}

void PetSession::onOneShotFinished()
{
    playAnimation(PetAnimationState::Idle, m_pinnedRow.value_or(0), true);
}

void PetSession::onFrame(const QImage &frame)
{
    m_window->spriteView()->setFrame(frame);
    reportFirstFrame();
}

void PetSession::onVisibilityChanged(bool visible)
{
    // The player is suspended exactly while the window is not on screen.
    if (m_player->isSuspended() == visible) {
        m_behavior->setHeld(!visible);
        m_player->setSuspended(!visible);
        emit shownChanged(visible);
    }
    reportFirstFrame();
}

void PetSession::reportFirstFrame()
{
    if (m_firstFrameShown || !m_window->isVisible() || m_window->spriteView()->currentFrame().isNull())
        return;
    m_firstFrameShown = true;
    emit firstFrameShown();
}

void PetSession::onClick()
{
    emit interacted();
    m_behavior->engine().cancelStroll(true);
    const ClickBehavior behavior = m_services.settings.clickBehavior();
    switch (behavior.kind()) {
    case ClickBehavior::Kind::Row: playRowOneShot(behavior.rowIndex()); break;
    case ClickBehavior::Kind::None: break;
    case ClickBehavior::Kind::RandomCycle:
        if (const auto row = randomNonDefaultRow())
            playRowOneShot(*row);
        break;
    case ClickBehavior::Kind::ToggleRunning: {
        PetStateMachine &states = m_services.stateMachine;
        states.request(
            states.currentState() == PetAnimationState::Running ? PetAnimationState::Idle : PetAnimationState::Running,
            PetStateMachine::Source::User);
        break;
    }
    }
}

void PetSession::onDoubleClick()
{
    emit interacted();
    m_behavior->engine().cancelStroll(true);
    if (const auto row = randomNonDefaultRow())
        playRowOneShot(*row);
}

void PetSession::onDragStarted()
{
    emit interacted();
    m_behavior->engine().setDragging(true);
    m_dragRow.reset();
}

void PetSession::onDragged(int direction)
{
    const qint64 row = m_behavior->engine().runRow(direction);
    if (!m_pinnedRow && m_dragRow != row && rowHasFrames(row)) {
        m_dragRow = row;
        playAnimation(PetAnimationState::Idle, row, true);
    }
    m_services.bubble.repositionAboveCurrentPet();
}

void PetSession::onDragEnded()
{
    emit interacted();
    m_behavior->engine().setDragging(false);
    m_dragRow.reset();
    if (!m_pinnedRow)
        playIdleRow();
    saveFrame();
    m_services.bubble.repositionAboveCurrentPet();
}
