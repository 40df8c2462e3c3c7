#pragma once

#include "settings/SettingsStore.h"
#include "tray/MenuBarControllerDelegate.h"
#include "userdata/PetAnimationMapStore.h"
#include "pets/SpriteSheetDecoder.h"

#include <QObject>
#include <QStringList>

// A menu delegate that holds whatever state a test gives it and records every call as a line such
// as "playRow 3", "loadPet other" or "applyPlaybackSpeed 1.5" (the stored speed when it was called).
class FakeMenuDelegate final : public QObject, public MenuBarControllerDelegate {
public:
    explicit FakeMenuDelegate(const QString &settingsPath)
        : m_settings(settingsPath)
        , m_maps(m_settings)
    {
    }

    std::optional<PetPackage> current;
    bool windowVisible = true;
    std::optional<qint64> pinned;
    std::shared_ptr<SpriteSheetDecoder> decoder;
    QList<PetPackage> library;
    bool hasMaps = true;
    QStringList calls;

    PetAnimationMapStore &maps() { return m_maps; }

    const std::optional<PetPackage> &currentPackage() const override { return current; }
    QString displayName(const PetPackage &package) const override { return package.manifest.displayName; }
    bool isPetWindowVisible() const override { return windowVisible; }
    std::optional<qint64> pinnedRow() const override { return pinned; }
    const std::shared_ptr<SpriteSheetDecoder> &spriteDecoder() const override { return decoder; }
    const PetAnimationMapStore *animationMaps() const override { return hasMaps ? &m_maps : nullptr; }
    QList<PetPackage> libraryPets() const override { return library; }
    SettingsStore &settings() const override { return m_settings; }

    void togglePetVisibility() override { calls.append(QStringLiteral("togglePetVisibility")); }
    void playRow(qint64 row) override { calls.append(QStringLiteral("playRow %1").arg(row)); }
    void clearPinnedRow() override { calls.append(QStringLiteral("clearPinnedRow")); }
    void applyPlaybackSpeed() override
    {
        calls.append(QStringLiteral("applyPlaybackSpeed %1").arg(m_settings.playbackSpeed()));
    }
    void reloadCurrentPetWithScale() override
    {
        calls.append(QStringLiteral("reloadCurrentPetWithScale %1").arg(m_settings.scale()));
    }
    void loadPet(const PetPackage &package) override { calls.append(QStringLiteral("loadPet ") + package.id()); }
    void confirmAndDeletePet(const PetPackage &package) override
    {
        calls.append(QStringLiteral("confirmAndDeletePet ") + package.id());
    }
    void promptImportFolder() override { calls.append(QStringLiteral("promptImportFolder")); }
    void promptImportZip() override { calls.append(QStringLiteral("promptImportZip")); }
    void showPetPreferences() override { calls.append(QStringLiteral("showPetPreferences")); }
    void revealPetInFileManager(const PetPackage &package) override
    {
        calls.append(QStringLiteral("revealPetInFileManager ") + package.id());
    }
    void setBehaviorMode(BehaviorMode mode) override
    {
        calls.append(QStringLiteral("setBehaviorMode ") + SettingsEnums::rawString(mode));
    }
    void quit() override { calls.append(QStringLiteral("quit")); }

private:
    mutable SettingsStore m_settings;
    PetAnimationMapStore m_maps;
};
