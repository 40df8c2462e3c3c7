#pragma once

#include "pets/PetPackage.h"
#include "settings/SettingsEnums.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class AlertPresenter;
class CharacterStore;
class Clock;
class GroqClient;
class KeyStore;
class LoginItem;
class PetAnimationMapStore;
class ReminderStore;
class SettingsStore;
class SpriteSheetDecoder;

// What the preferences panes ask of the running program. The panes write settings themselves and
// then ask the host to apply them to the pet on screen; the host tells them when the active pet
// changed so the library list and the preview follow.
class PreferencesHost : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~PreferencesHost() override = default;

    // --- Settings, the library and the pet on screen (Pet, Window and About panes) ---
    virtual SettingsStore &settings() const = 0;
    // Every installed pet, the built-in one included.
    virtual QList<PetPackage> library() const = 0;
    // The id of the built-in pet, when it is installed.
    virtual std::optional<QString> bundledPetID() const = 0;
    virtual std::optional<QString> activePetID() const = 0;
    // The character's name when it has one, else the manifest's display name.
    virtual QString displayName(const PetPackage &package) const = 0;
    // The decoded atlas of the pet on screen; null while none is loaded.
    virtual std::shared_ptr<SpriteSheetDecoder> activeDecoder() const = 0;
    virtual void loadPet(const PetPackage &package) = 0;
    virtual void promptImportFolder() = 0;
    virtual void promptImportZip() = 0;
    virtual void scanNimboPets() = 0;
    virtual void confirmAndDeletePet(const PetPackage &package) = 0;
    virtual void revealPetInFileManager(const PetPackage &package) = 0;
    // Resizes the pet window to the stored scale, keeping its centre.
    virtual void reloadCurrentPetWithScale() = 0;
    virtual void setWindowLevel(WindowLevel level) = 0;
    virtual void setClickThrough(bool enabled) = 0;
    virtual void applyPlaybackSpeed() = 0;
    // Starts the behaviour engine again in the stored mode.
    virtual void restartBehavior() = 0;
    virtual void replayWelcome() = 0;
    // Opens a web page in the browser; false when the desktop refused.
    virtual bool openUrl(const QUrl &url) = 0;

    // --- Behavior and Advanced panes ---
    // The name the user gave a row of a pet, trimmed; empty when it has none.
    virtual QString rowName(const QString &petID, qint64 row) const = 0;
    // Lists the pet window in taskbars, pagers and window switchers, or not, at once.
    virtual void setListedInTaskbar(bool listed) = 0;
    // The program's autostart entry; null when this desktop offers none.
    virtual LoginItem *loginItem() const = 0;
    // The keyring, the Groq client and the alerts behind the Groq card; a host without them (a
    // benchmark, say) gives null and the pane shows no card.
    virtual AlertPresenter *alerts() const = 0;
    virtual KeyStore *keyStore() const = 0;
    virtual GroqClient *groqClient() const = 0;
    // The folder every imported pet lives in.
    virtual QString libraryFolder() const = 0;
    virtual void revealLibraryFolder() = 0;

    // --- Animations pane ---
    // The pet on screen re-reads which rows walk left and right from the stored inversion, and a
    // stroll under way turns to the right row at once.
    virtual void applyMovementInversion() = 0;

    // --- Reminders pane, character card and Animations pane ---
    virtual ReminderStore &reminderStore() const = 0;
    virtual CharacterStore &characterStore() const = 0;
    virtual PetAnimationMapStore &animationMapStore() const = 0;
    // The moment new reminders start from, and the clock delayed saves measure by.
    virtual Clock &clock() const = 0;

signals:
    // Another pet was loaded, or the last one was unloaded, or the library changed.
    void activePetChanged();
};
