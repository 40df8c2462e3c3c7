#pragma once

#include "settings/SettingsEnums.h"
#include "pets/PetPackage.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class PetAnimationMapStore;
class SettingsStore;
class SpriteSheetDecoder;

// What the tray menu and the pet's context menu read from the coordinator and ask it to do. The
// menu never changes state itself except the speed and scale settings, which it writes before
// calling applyPlaybackSpeed() / reloadCurrentPetWithScale(). All calls happen on the main thread.
class MenuBarControllerDelegate {
public:
    virtual ~MenuBarControllerDelegate() = default;

    // State the menu is built from.
    virtual const std::optional<PetPackage> &currentPackage() const = 0;
    // The name the user knows a pet by (the character's name, else the manifest's).
    virtual QString displayName(const PetPackage &package) const = 0;
    // True when the pet window exists and is shown.
    virtual bool isPetWindowVisible() const = 0;
    virtual std::optional<qint64> pinnedRow() const = 0;
    // The current pet's decoder; null when no atlas is decoded.
    virtual const std::shared_ptr<SpriteSheetDecoder> &spriteDecoder() const = 0;
    // Row names; null before the stores exist.
    virtual const PetAnimationMapStore *animationMaps() const = 0;
    // The installed pets in the library's order.
    virtual QList<PetPackage> libraryPets() const = 0;
    virtual SettingsStore &settings() const = 0;

    // Shows the pet window when hidden and hides it when shown (nothing without a window), then
    // lets the player know (petVisibilityDidChange).
    virtual void togglePetVisibility() = 0;
    virtual void playRow(qint64 row) = 0;
    virtual void clearPinnedRow() = 0;
    // tam.playbackSpeed changed: re-time the current animation.
    virtual void applyPlaybackSpeed() = 0;
    // tam.scale changed: reload the current pet at the new size.
    virtual void reloadCurrentPetWithScale() = 0;
    virtual void loadPet(const PetPackage &package) = 0;
    // Asks the user first; deletes only on confirmation.
    virtual void confirmAndDeletePet(const PetPackage &package) = 0;
    virtual void promptImportFolder() = 0;
    virtual void promptImportZip() = 0;
    // Opens the preferences window at the pet section.
    virtual void showPetPreferences() = 0;
    virtual void revealPetInFileManager(const PetPackage &package) = 0;
    // Stores the mode, sets the behaviour engine's mode and restarts the engine.
    virtual void setBehaviorMode(BehaviorMode mode) = 0;
    virtual void quit() = 0;
};
