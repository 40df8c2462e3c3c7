// The coordinator's side of playing rows and answering gestures on the pet.
#include "app/AppDelegate.h"

#include "settings/ClickBehavior.h"
#include "foundation/Log.h"
#include "settings/SettingsStore.h"
#include "tray/MenuBarController.h"
#include "userdata/PetAnimationMapStore.h"
#include "pets/PetLibrary.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"
#include "behavior/AnimationPlayer.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>

namespace {
// Row 0 plays at this rate unless it is also a movement row.
constexpr double kIdleFps = 8.0;
}

AnimationRules::Context AppDelegate::animationContext() const
{
    AnimationRules::Context context;
    context.manifest = m_currentPackage ? &m_currentPackage->manifest : nullptr;
    context.decoder = m_decoder.get();
    context.moveRightRow = m_behaviorEngine->moveRightRow();
    context.moveLeftRow = m_behaviorEngine->moveLeftRow();
    context.rowName = [this](qint64 row) { return rowName(row); };
    context.speed = m_env.settings->playbackSpeed();
    return context;
}

QString AppDelegate::rowName(qint64 row) const
{
    if (!m_currentPackage)
        return {};
    return m_animationMapStore->mapping(m_currentPackage->id(), row).name;
}

bool AppDelegate::rowHasFrames(qint64 row) const
{
    return m_decoder && m_decoder->effectiveFrameCount(row) >= 1;
}

void AppDelegate::playAnimation(PetAnimationState label, qint64 row, bool loop, std::optional<double> fps)
{
    if (!m_player || !m_decoder)
        return;
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

void AppDelegate::playIdleRow()
{
    const bool idleIsMovementRow = m_behaviorEngine->moveRightRow() == 0 || m_behaviorEngine->moveLeftRow() == 0;
    const double base = idleIsMovementRow ? AnimationRules::movementFps : kIdleFps;
    playAnimation(PetAnimationState::Idle, 0, true,
        std::max(base * AnimationRules::effectiveSpeed(m_env.settings->playbackSpeed()), 1.0));
}

void AppDelegate::playRow(qint64 row)
{
    if (!rowHasFrames(row))
        return;
    m_pinnedRow = row;
    playAnimation(PetAnimationState::Idle, row, true);
    rebuildMainMenu();
}

void AppDelegate::clearPinnedRow()
{
    m_pinnedRow.reset();
    playIdleRow();
    rebuildMainMenu();
}

void AppDelegate::playRowOneShot(qint64 row)
{
    if (rowHasFrames(row))
        playAnimation(PetAnimationState::Waving, row, false);
}

std::optional<qint64> AppDelegate::randomNonDefaultRow() const
{
    if (!m_decoder)
        return std::nullopt;
    QList<qint64> rows = m_decoder->nonEmptyRows();
    rows.removeAll(0);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.at(m_env.random->boundedInt(0, rows.size() - 1));
}

void AppDelegate::setDragRow(qint64 row)
{
    if (m_pinnedRow || m_currentDragRow == row || !rowHasFrames(row))
        return;
    m_currentDragRow = row;
    playAnimation(PetAnimationState::Idle, row, true);
}

void AppDelegate::snapToIdle()
{
    m_currentDragRow.reset();
    if (!m_pinnedRow)
        playIdleRow();
}

void AppDelegate::onStateEntered(PetAnimationState state)
{
    if (!m_currentPackage || m_pinnedRow || !m_player)
        return;
    m_player->set(AnimationRules::resolveAnimation(state, animationContext()), true);
    m_player->play();
    rebuildMainMenu();
}

void AppDelegate::onOneShotFinished()
{
    if (m_decoder) {
        const qint64 row = m_pinnedRow.value_or(0);
        playAnimation(PetAnimationState::Idle, row, true);
        return;
    }
    const PetAnimationState state = m_stateMachine.currentState();
    if (state == PetAnimationState::Waving || state == PetAnimationState::Jumping
        || state == PetAnimationState::Failed) {
        if (const auto pinned = m_stateMachine.pinnedState())
            m_stateMachine.request(*pinned, PetStateMachine::Source::User);
        else
            m_stateMachine.request(PetAnimationState::Idle, PetStateMachine::Source::System);
    }
}

void AppDelegate::recordInteraction()
{
    m_lastInteractionAt = m_env.clock->now();
    m_lastLongIdleFireAt.reset();
}

void AppDelegate::petSpriteViewDidClick(PetSpriteView *)
{
    recordInteraction();
    m_behaviorEngine->cancelStroll(true);
    const ClickBehavior behavior = m_env.settings->clickBehavior();
    switch (behavior.kind()) {
    case ClickBehavior::Kind::Row: playRowOneShot(behavior.rowIndex()); break;
    case ClickBehavior::Kind::None: break;
    case ClickBehavior::Kind::RandomCycle:
        if (const auto row = randomNonDefaultRow())
            playRowOneShot(*row);
        break;
    case ClickBehavior::Kind::ToggleRunning:
        m_stateMachine.request(m_stateMachine.currentState() == PetAnimationState::Running ? PetAnimationState::Idle
                                                                                           : PetAnimationState::Running,
            PetStateMachine::Source::User);
        break;
    }
}

void AppDelegate::petSpriteViewDidDoubleClick(PetSpriteView *)
{
    recordInteraction();
    m_behaviorEngine->cancelStroll(true);
    if (const auto row = randomNonDefaultRow())
        playRowOneShot(*row);
}

void AppDelegate::petSpriteViewDidCommandDoubleClick(PetSpriteView *)
{
    recordInteraction();
    m_behaviorEngine->cancelStroll(true);
    toggleAskPrompt();
}

void AppDelegate::petSpriteViewDidStartDrag(PetSpriteView *)
{
    recordInteraction();
    m_behaviorEngine->setDragging(true);
    m_currentDragRow.reset();
}

void AppDelegate::petSpriteViewDidDragInDirection(PetSpriteView *, int direction)
{
    setDragRow(m_behaviorEngine->runRow(direction));
    m_speechBubble->repositionAboveCurrentPet();
}

void AppDelegate::petSpriteViewDidEndDrag(PetSpriteView *)
{
    recordInteraction();
    m_behaviorEngine->setDragging(false);
    snapToIdle();
    persistWindowFrame();
    m_speechBubble->repositionAboveCurrentPet();
}

void AppDelegate::petSpriteViewDidRequestContextMenu(PetSpriteView *, QPointF globalPosition)
{
    recordInteraction();
    m_behaviorEngine->cancelStroll(true);
    if (m_menuBar)
        m_menuBar->popUpContextMenu(globalPosition.toPoint());
    emit contextMenuRequested(globalPosition);
}

QString AppDelegate::displayName(const PetPackage &package) const
{
    return m_libraryFlows.displayName(package);
}

bool AppDelegate::isPetWindowVisible() const
{
    return m_windowController && m_windowController->isVisible();
}

QList<PetPackage> AppDelegate::libraryPets() const
{
    return m_env.library->loadLibrary();
}

void AppDelegate::togglePetVisibility()
{
    if (!m_windowController)
        return;
    if (m_windowController->isVisible())
        m_windowController->hide();
    else
        m_windowController->show();
    petVisibilityDidChange();
    rebuildMainMenu();
}

void AppDelegate::confirmAndDeletePet(const PetPackage &package)
{
    m_libraryFlows.confirmAndDeletePet(package);
}

void AppDelegate::promptImportFolder()
{
    m_libraryFlows.promptImportFolder();
}

void AppDelegate::promptImportZip()
{
    m_libraryFlows.promptImportZip();
}

void AppDelegate::revealPetInFileManager(const PetPackage &package)
{
    m_libraryFlows.revealPetInFileManager(package);
}

void AppDelegate::quit()
{
    QCoreApplication::quit();
}
