#pragma once

#include "app/AppEnvironment.h"
#include "services/PetLibraryFlows.h"
#include "services/PetLibraryFlowsHost.h"
#include "tray/MenuBarControllerDelegate.h"
#include "pets/PetPackage.h"
#include "preferences/PreferencesSection.h"
#include "behavior/AnimationRules.h"
#include "behavior/BehaviorEngine.h"
#include "behavior/PetStateMachine.h"
#include "petwindow/PetSpriteViewDelegate.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

class AnimationPlayer;
class AppToolHost;
class AskPromptPlaceholder;
class CharacterStore;
class HotKeyMonitor;
class MenuBarController;
class NoteStore;
class ReminderScheduler;
class ReminderStore;
struct Reminder;
class PetAnimationMapStore;
class PreferencesWindow;
class PetWindowController;
class SpeechBubbleController;
class SpriteSheetDecoder;

// The application coordinator: owns every long-lived object, runs the launch sequence, loads and
// switches the active pet, recovers when one cannot be loaded, plays rows for clicks and drags,
// and saves what must survive a quit.
class AppDelegate : public QObject,
                    public PetLibraryFlowsHost,
                    public PetSpriteViewDelegate,
                    public MenuBarControllerDelegate {
    Q_OBJECT

public:
    explicit AppDelegate(const AppEnvironment &environment, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence. Finishes with launchFinished().
    QCoro::Task<> applicationDidFinishLaunching();
    // The quit steps; runs once, however the program is asked to quit.
    void applicationWillTerminate();

    // Active pet.
    void loadPet(const PetPackage &package) override;
    void teardownCurrentPet() override;
    void handleLoadFailure(const PetPackage &package, const QString &errorDescription);
    void seedBundledPetDefaultsIfNeeded();
    void seedCharacterFromManifestIfNeeded(const PetPackage &package);
    void seedAnimationNamesIfNeeded(const PetPackage &package);
    void applyPlaybackSpeed() override;
    void reloadCurrentPetWithScale() override;
    void persistWindowFrame();
    void petVisibilityDidChange();

    // Rows.
    void playRow(qint64 row) override;
    void clearPinnedRow() override;
    void playRowOneShot(qint64 row);
    std::optional<qint64> randomNonDefaultRow() const;
    void setDragRow(qint64 row);
    void snapToIdle();
    struct MovementRows {
        std::optional<qint64> right;
        std::optional<qint64> left;
    };
    MovementRows deriveMovementRows(const QString &petID) const;

    // The behaviour engine's side: what it may play, and carrying out what it asks for.
    std::optional<QList<BehaviorEngine::ActionPick>> buildActionPool(const QString &petID) const;
    void refreshBehaviorDerivedRows();
    void behaviorPlayRow(qint64 row, bool oneShot);
    void behaviorMoveWindow(double dx, double dy);
    void speakForBehaviorRow(qint64 row);
    // Where the pet window is, or is about to be: the exact position behaviour moves asked for
    // while the window system confirms them. Needs a pet window.
    QRectF petWindowFrame() const;
    // Stores the mode and restarts the engine in it.
    void setBehaviorMode(BehaviorMode mode) override;
    BehaviorEngine &behaviorEngine() { return *m_behaviorEngine; }

    // The idle check: after 8 minutes without a gesture the pet says one of the long-idle lines,
    // then no more often than every 20 minutes until the user touches it again.
    static const QStringList &longIdleLines();
    void startBackgroundTimers();
    void checkLongIdle();
    const QTimer &idleCheckTimer() const { return m_idleCheckTimer; }

    // The Super+K prompt: opens it, or closes it when it is open.
    void toggleAskPrompt();
    bool isAskPromptOpen() const;

    // Opens the preferences at a section, or brings the open window forward (switching to the
    // section unless it is the pet section). Closing the window releases it.
    void showPreferences(PreferencesSection section);
    void releasePreferencesWindow();
    PreferencesWindow *preferencesWindow() const;

    // Library flows (import, delete, Nimbo) and the host side they call back.
    PetLibraryFlows &libraryFlows() { return m_libraryFlows; }
    std::optional<QString> activePetID() const override;
    void rebuildMainMenu() override;
    QString characterName(const QString &petID) const override;
    void evictAtlasImage(const QString &atlasPath) override;

    // Gestures on the pet.
    void petSpriteViewDidClick(PetSpriteView *view) override;
    void petSpriteViewDidDoubleClick(PetSpriteView *view) override;
    void petSpriteViewDidCommandDoubleClick(PetSpriteView *view) override;
    void petSpriteViewDidStartDrag(PetSpriteView *view) override;
    void petSpriteViewDidEndDrag(PetSpriteView *view) override;
    void petSpriteViewDidRequestContextMenu(PetSpriteView *view, QPointF globalPosition) override;
    void petSpriteViewDidDragInDirection(PetSpriteView *view, int direction) override;

    // The menu's side: what it shows and what its items do.
    QString displayName(const PetPackage &package) const override;
    bool isPetWindowVisible() const override;
    const PetAnimationMapStore *animationMaps() const override { return m_animationMapStore.get(); }
    QList<PetPackage> libraryPets() const override;
    SettingsStore &settings() const override { return *m_env.settings; }
    void togglePetVisibility() override;
    void confirmAndDeletePet(const PetPackage &package) override;
    void promptImportFolder() override;
    void promptImportZip() override;
    void showPetPreferences() override { showPreferences(PreferencesSection::Pet); }
    void revealPetInFileManager(const PetPackage &package) override;
    void quit() override;
    MenuBarController *menuBarController() const { return m_menuBar.get(); }
    // The tools the Ask agent offers the model, carried out against this coordinator.
    ToolRegistry &toolRegistry() const { return *m_toolRegistry; }

    // Read access for the menu, the preferences and tests.
    const std::optional<PetPackage> &currentPackage() const override { return m_currentPackage; }
    PetWindowController *windowController() const { return m_windowController.get(); }
    AnimationPlayer *animationPlayer() const { return m_player.get(); }
    const std::shared_ptr<SpriteSheetDecoder> &spriteDecoder() const override { return m_decoder; }
    SpeechBubbleController &speechBubble() const { return *m_speechBubble; }
    CharacterStore &characterStore() const { return *m_characterStore; }
    PetAnimationMapStore &animationMapStore() const { return *m_animationMapStore; }
    ReminderStore &reminderStore() const { return *m_reminderStore; }
    NoteStore &noteStore() const { return *m_noteStore; }
    ReminderScheduler *reminderScheduler() const { return m_reminderScheduler.get(); }
    PetStateMachine &stateMachine() { return m_stateMachine; }
    std::optional<qint64> pinnedRow() const override { return m_pinnedRow; }
    bool showsInTaskbar() const { return m_showInTaskbar; }
    bool hasTerminated() const { return m_terminated; }
    HotKeyMonitor *hotKeyMonitor() const { return m_hotKey.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void launchFinished();
    // Posted after every successful pet load.
    void activePetChanged();
    // The tray and context menus must be rebuilt from the current state.
    void mainMenuInvalidated();
    void contextMenuRequested(QPointF globalPosition);

private:
    AnimationRules::Context animationContext() const;
    QString rowName(qint64 row) const;
    bool rowHasFrames(qint64 row) const;
    void playAnimation(PetAnimationState label, qint64 row, bool loop, std::optional<double> fps = {});
    void playIdleRow();
    void onStateEntered(PetAnimationState state);
    void onOneShotFinished();
    void onFrameEmitted(const QImage &frame);
    void handleReminderFired(const Reminder &reminder);
    void reportFirstFrameIfShown();
    void recordInteraction();
    void registerHotKey();
    void wireBehaviorEngine();
    void configureBehaviorForCurrentPet();
    // Stops the engine and the idle check while the pet cannot be seen, and resumes them after.
    void suspendBehaviorWhileHidden(bool hidden);
    void applyTaskbarListing();
    void presentLoadError(const QString &title, const QString &description, const QString &recovery);

    AppEnvironment m_env;
    PetStateMachine m_stateMachine;
    // Created and loaded in this order.
    std::unique_ptr<ReminderStore> m_reminderStore;
    std::unique_ptr<PetAnimationMapStore> m_animationMapStore;
    std::unique_ptr<CharacterStore> m_characterStore;
    std::unique_ptr<NoteStore> m_noteStore;
    std::unique_ptr<ReminderScheduler> m_reminderScheduler;
    std::unique_ptr<SpeechBubbleController> m_speechBubble;
    PetLibraryFlows m_libraryFlows;

    std::optional<PetPackage> m_currentPackage;
    std::shared_ptr<SpriteSheetDecoder> m_decoder;
    std::unique_ptr<AnimationPlayer> m_player;
    std::unique_ptr<PetWindowController> m_windowController;
    std::optional<qint64> m_pinnedRow;
    std::optional<qint64> m_currentDragRow;
    bool m_isRecoveringFromLoadFailure = false;
    bool m_showInTaskbar = true;
    bool m_terminated = false;
    bool m_firstFrameReported = false;
    QElapsedTimer m_sinceStart;

    std::unique_ptr<BehaviorEngine> m_behaviorEngine;
    bool m_behaviorSuspended = false;
    QTimer m_idleCheckTimer;
    bool m_idleChecksStarted = false;
    QDateTime m_lastInteractionAt;
    std::optional<QDateTime> m_lastLongIdleFireAt;
    std::unique_ptr<HotKeyMonitor> m_hotKey;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::unique_ptr<AppToolHost> m_toolHost;
    std::unique_ptr<ToolRegistry> m_toolRegistry;
    QPointer<AskPromptPlaceholder> m_askPrompt;
    QPointer<PreferencesWindow> m_preferencesWindow;
    std::optional<QPointF> m_precisePetOrigin;
    QList<QPoint> m_requestedPetOrigins;
};
