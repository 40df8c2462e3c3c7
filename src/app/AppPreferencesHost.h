#pragma once

#include "preferences/PreferencesHost.h"

class AppCoordinator;

// The running application as the preferences window sees it: the coordinator's settings, library
// and pet on screen, lent through the coordinator that owns this host.
class AppPreferencesHost final : public PreferencesHost {
    Q_OBJECT

public:
    explicit AppPreferencesHost(AppCoordinator &coordinator);

    SettingsStore &settings() const override;
    QList<PetPackage> library() const override;
    std::optional<QString> bundledPetID() const override;
    std::optional<QString> activePetID() const override;
    QString displayName(const PetPackage &package) const override;
    std::shared_ptr<SpriteSheetDecoder> activeDecoder() const override;
    void loadPet(const PetPackage &package) override;
    void promptImportFolder() override;
    void promptImportZip() override;
    void scanNimboPets() override;
    void confirmAndDeletePet(const PetPackage &package) override;
    void revealPetInFileManager(const PetPackage &package) override;
    void reloadCurrentPetWithScale() override;
    void setWindowLevel(WindowLevel level) override;
    void setClickThrough(bool enabled) override;
    void applyPlaybackSpeed() override;
    void restartBehavior() override;
    void replayWelcome() override;
    bool openUrl(const QUrl &url) override;

    QString rowName(const QString &petID, qint64 row) const override;
    void setListedInTaskbar(bool listed) override;
    LoginItem *loginItem() const override;
    AlertPresenter *alerts() const override;
    KeyStore *keyStore() const override;
    GroqClient *groqClient() const override;
    QString libraryFolder() const override;
    void revealLibraryFolder() override;
    ReminderStore &reminderStore() const override;
    CharacterStore &characterStore() const override;
    PetAnimationMapStore &animationMapStore() const override;
    Clock &clock() const override;
    void applyMovementInversion() override;

private:
    AppCoordinator &m_coordinator;
};
