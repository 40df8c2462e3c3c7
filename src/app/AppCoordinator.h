#pragma once

#include "app/AppEnvironment.h"
#include "app/PetSession.h"
#include "behavior/PetStateMachine.h"
#include "pets/SpriteSheetDecoder.h"
#include "services/PetLibraryFlows.h"
#include "services/PetLibraryFlowsHost.h"
#include "tray/TrayMenuState.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

class AppPreferencesHost;
class AppToolHost;
class AskCoordinator;
class AppWindows;
class CharacterStore;
class HotKeyMonitor;
class IdleChatter;
class NoteStore;
class PetAnimationMapStore;
class PetWindowController;
class ReminderScheduler;
class ReminderStore;
class SpeechBubbleController;
class TrayMenu;
class WelcomeFlow;
struct Reminder;

// The composition root: owns the stores, the reminder scheduler, the library flows, the tray menu,
// the hot key, the speech bubble, the agent's tools and the windows, and connects them. Runs the
// launch and quit steps and loads the pet on screen (a PetSession), falling back to one that loads
// when a pet cannot be shown.
class AppCoordinator : public QObject, public PetLibraryFlowsHost {
    Q_OBJECT

public:
    explicit AppCoordinator(const AppEnvironment &environment, QObject *parent = nullptr);
    ~AppCoordinator() override;

    // The launch sequence.
    QCoro::Task<> launch();
    // The quit steps; run once, however the program is asked to quit.
    void terminate();

    // The pet on screen; null while none is loaded.
    PetSession *session() const { return m_session.get(); }
    // Loads a pet, or when it cannot be shown tells the user and shows one that can. The atlas is
    // decoded on a worker meanwhile; the pet on screen stays until the new one is ready, and a
    // later load wins over an earlier one. petLoaded() says when a pet is on screen.
    void loadPet(const PetPackage &package) override;
    void teardownCurrentPet() override;
    std::optional<QString> activePetID() const override;
    void rebuildMainMenu() override;
    QString characterName(const QString &petID) const override;
    void evictAtlasImage(const QString &atlasPath) override;

    // What the tray menu's items ask for.
    void setPetShown(bool shown);
    void setPlaybackSpeed(double speed);
    void setScale(double scale);
    void setBehaviorMode(BehaviorMode mode);
    // Resizes the pet window to the stored scale, keeping its centre.
    void reloadCurrentPetWithScale();

    // The Super+K prompt: opens it above the pet, or closes it when it is open.
    void toggleAskPrompt();
    bool isAskPromptOpen() const;
    AskCoordinator &ask() const { return *m_ask; }
    AppWindows &windows() const { return *m_windows; }
    const AppEnvironment &environment() const { return m_env; }
    PetLibraryFlows &libraryFlows() { return m_libraryFlows; }
    WelcomeFlow &welcome() const { return *m_welcome; }
    // Shows the welcome again (from the preferences), hiding the preferences window meanwhile.
    void replayWelcome();

    TrayMenu *trayMenu() const { return m_tray.get(); }
    ToolRegistry &toolRegistry() const { return *m_toolRegistry; }
    SpeechBubbleController &speechBubble() const { return *m_speechBubble; }
    IdleChatter &idleChatter() const { return *m_idleChatter; }
    CharacterStore &characterStore() const { return *m_characterStore; }
    PetAnimationMapStore &animationMapStore() const { return *m_animationMapStore; }
    ReminderStore &reminderStore() const { return *m_reminderStore; }
    NoteStore &noteStore() const { return *m_noteStore; }
    ReminderScheduler *reminderScheduler() const { return m_reminderScheduler.get(); }
    HotKeyMonitor *hotKeyMonitor() const { return m_hotKey.get(); }

signals:
    // A pet was loaded and is on screen.
    void petLoaded();
    // A pet's frame reached the screen, the first time since the launch.
    void firstFrameShown();
    // A pet was loaded or unloaded, or an import finished: what the library shows may differ.
    void activePetChanged();

private:
    // Shows the pet once its atlas is decoded, and with showFirstFrameEarly its first frame as soon
    // as that is decoded, when nothing is on screen yet.
    QCoro::Task<> showPet(PetPackage package, bool showFirstFrameEarly = false);
    static QCoro::Task<SpriteSheetDecoder::Created> decodeAtlas(const PetPackage &package);
    // Shows a pet's first frame in the window its session will take over, while load `request` is
    // the latest.
    void showFirstFrame(quint64 request, const QImage &cell);
    void noteFirstFrameShown();
    // Whether the pet being loaded goes on screen hidden.
    bool staysHiddenOnceLoaded() const;
    PetSession::Services sessionServices();
    // Once the event loop has run again: hands back what large short-lived work (a decode, the
    // launch) freed.
    void releaseFreedMemory();
    // Shows the decoded pet in place of the current one, or says why it cannot be shown.
    std::optional<QString> show(const PetPackage &package, SpriteSheetDecoder::Created decoder);
    void closeSession();
    // The first pet not among the failed ones: the built-in pet, then the library in order.
    std::optional<PetPackage> fallbackPet(const QStringList &failedIDs) const;
    void connectSession();
    void connectTray();
    TrayMenuState trayMenuState() const;
    void refreshTray();
    void onPetShownChanged(bool shown);
    void handleReminderFired(const Reminder &reminder);
    void registerHotKey();
    // What the pet's first frame does not need, once: the program's icon, the keyring read, the
    // tray and the hot key. Follows the pet onto the screen, and comes before any alert.
    void finishSetUp();

    AppEnvironment m_env;
    PetStateMachine m_stateMachine;
    // Created and loaded in this order.
    std::unique_ptr<ReminderStore> m_reminderStore;
    std::unique_ptr<PetAnimationMapStore> m_animationMapStore;
    std::unique_ptr<CharacterStore> m_characterStore;
    std::unique_ptr<NoteStore> m_noteStore;
    std::unique_ptr<ReminderScheduler> m_reminderScheduler;
    std::unique_ptr<SpeechBubbleController> m_speechBubble;
    std::unique_ptr<IdleChatter> m_idleChatter;
    PetLibraryFlows m_libraryFlows;
    std::unique_ptr<PetSession> m_session;
    // Showing the first frame of the pet that load m_firstWindowRequest decodes, before its session
    // exists.
    std::unique_ptr<PetWindowController> m_firstWindow;
    quint64 m_firstWindowRequest = 0;
    std::unique_ptr<TrayMenu> m_tray;
    std::unique_ptr<HotKeyMonitor> m_hotKey;
    std::unique_ptr<AppToolHost> m_toolHost;
    std::unique_ptr<ToolRegistry> m_toolRegistry;
    std::unique_ptr<AskCoordinator> m_ask;
    std::unique_ptr<AppPreferencesHost> m_preferencesHost;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<WelcomeFlow> m_welcome;
    quint64 m_loadRequest = 0;
    bool m_terminated = false;
    bool m_firstFrameShown = false;
    // A show or hide asked for before the first pet was on screen, applied when it is.
    std::optional<bool> m_shownOnceLoaded;
    QElapsedTimer m_sinceStart;
};
