#include "app/AppPreferencesHost.h"

#include "app/AppCoordinator.h"
#include "app/AskCoordinator.h"
#include "app/PetSession.h"
#include "pets/PetLibrary.h"
#include "petwindow/PetWindowController.h"
#include "platform/FileRevealer.h"
#include "platform/UrlOpener.h"
#include "platform/WindowSystem.h"
#include "settings/SettingsStore.h"
#include "userdata/PetAnimationMapStore.h"

AppPreferencesHost::AppPreferencesHost(AppCoordinator &coordinator)
    : PreferencesHost(nullptr)
    , m_coordinator(coordinator)
{
    connect(&coordinator, &AppCoordinator::activePetChanged, this, &PreferencesHost::activePetChanged);
}

SettingsStore &AppPreferencesHost::settings() const
{
    return *m_coordinator.environment().settings;
}

QList<PetPackage> AppPreferencesHost::library() const
{
    return m_coordinator.environment().library->loadLibrary();
}

std::optional<QString> AppPreferencesHost::bundledPetID() const
{
    return m_coordinator.environment().library->bundledPetID();
}

std::optional<QString> AppPreferencesHost::activePetID() const
{
    return m_coordinator.activePetID();
}

QString AppPreferencesHost::displayName(const PetPackage &package) const
{
    return m_coordinator.libraryFlows().displayName(package);
}

std::shared_ptr<SpriteSheetDecoder> AppPreferencesHost::activeDecoder() const
{
    const PetSession *session = m_coordinator.session();
    return session ? session->decoder() : nullptr;
}

void AppPreferencesHost::loadPet(const PetPackage &package)
{
    m_coordinator.loadPet(package);
}

void AppPreferencesHost::promptImportFolder()
{
    m_coordinator.libraryFlows().promptImportFolder();
}

void AppPreferencesHost::promptImportZip()
{
    m_coordinator.libraryFlows().promptImportZip();
}

void AppPreferencesHost::scanNimboPets()
{
    m_coordinator.libraryFlows().scanNimboPets();
}

void AppPreferencesHost::confirmAndDeletePet(const PetPackage &package)
{
    m_coordinator.libraryFlows().confirmAndDeletePet(package);
    // The library lost a pet even when it was not the active one.
    emit activePetChanged();
}

void AppPreferencesHost::revealPetInFileManager(const PetPackage &package)
{
    m_coordinator.libraryFlows().revealPetInFileManager(package);
}

void AppPreferencesHost::reloadCurrentPetWithScale()
{
    m_coordinator.reloadCurrentPetWithScale();
}

void AppPreferencesHost::setWindowLevel(WindowLevel level)
{
    if (PetSession *session = m_coordinator.session())
        session->window().setWindowLevel(level);
}

void AppPreferencesHost::setClickThrough(bool enabled)
{
    if (PetSession *session = m_coordinator.session())
        session->window().setClickThrough(enabled);
}

void AppPreferencesHost::applyPlaybackSpeed()
{
    m_coordinator.setPlaybackSpeed(settings().playbackSpeed());
}

void AppPreferencesHost::restartBehavior()
{
    m_coordinator.setBehaviorMode(settings().behaviorMode());
}

void AppPreferencesHost::replayWelcome()
{
    m_coordinator.replayWelcome();
}

bool AppPreferencesHost::openUrl(const QUrl &url)
{
    UrlOpener *opener = m_coordinator.environment().toolPlatform.urlOpener;
    return opener && opener->open(url);
}

QString AppPreferencesHost::rowName(const QString &petID, qint64 row) const
{
    return m_coordinator.animationMapStore().mapping(petID, row).name.trimmed();
}

void AppPreferencesHost::setListedInTaskbar(bool listed)
{
    PetSession *session = m_coordinator.session();
    WindowSystem *windowSystem = m_coordinator.environment().windowSystem;
    // A hidden window is listed as the setting says when it is next shown.
    if (session && windowSystem && session->window().isVisible())
        windowSystem->setListedInTaskbar(session->window().windowHandle(), listed);
}

LoginItem *AppPreferencesHost::loginItem() const
{
    return m_coordinator.environment().loginItem;
}

AlertPresenter *AppPreferencesHost::alerts() const
{
    return m_coordinator.environment().alerts;
}

KeyStore *AppPreferencesHost::keyStore() const
{
    return m_coordinator.environment().keyStore;
}

GroqClient *AppPreferencesHost::groqClient() const
{
    return &m_coordinator.ask().client();
}

QString AppPreferencesHost::libraryFolder() const
{
    return m_coordinator.environment().library->rootPath();
}

void AppPreferencesHost::revealLibraryFolder()
{
    if (FileRevealer *revealer = m_coordinator.environment().fileRevealer)
        revealer->reveal(libraryFolder());
}

ReminderStore &AppPreferencesHost::reminderStore() const
{
    return m_coordinator.reminderStore();
}

CharacterStore &AppPreferencesHost::characterStore() const
{
    return m_coordinator.characterStore();
}

PetAnimationMapStore &AppPreferencesHost::animationMapStore() const
{
    return m_coordinator.animationMapStore();
}

void AppPreferencesHost::applyMovementInversion()
{
    if (PetSession *session = m_coordinator.session())
        session->refreshRows();
}

Clock &AppPreferencesHost::clock() const
{
    return *m_coordinator.environment().clock;
}
