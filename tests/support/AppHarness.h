#pragma once

#include "app/AppCoordinator.h"
#include "app/PetSession.h"
#include "pets/PetLibrary.h"
#include "platform/FileRevealer.h"
#include "platform/UrlOpener.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/FakeClock.h"
#include "support/FakeGlobalHotKey.h"
#include "support/FakeMemoryTrimmer.h"
#include "support/FakeRandom.h"
#include "support/FakeSecretStore.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestEnvironment.h"

#include <memory>

class NoRevealer final : public FileRevealer {
public:
    void reveal(const QString &) override { }
};

class NoUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl &) override { return true; }
};

// The coordinator built from fakes (clock, random source, keyring, alerts, hot keys unless others
// are given) in the test's private home, on the real window system.
struct AppHarness {
    AppHarness(TestEnvironment *env, const QString &bundledFolder = QStringLiteral(":/BundledPet"),
        GlobalHotKey *otherHotKeys = nullptr)
        : settings(env->settingsFilePath())
        , keyStore(secrets, settings)
        , library(locations(env, bundledFolder))
    {
        environment.settings = &settings;
        environment.keyStore = &keyStore;
        environment.alerts = &alerts;
        environment.clock = &clock;
        environment.random = &random;
        environment.library = &library;
        environment.fileRevealer = &revealer;
        environment.windowSystem = &windowSystem;
        environment.hotKeys = otherHotKeys ? otherHotKeys : &hotKeys;
        environment.loginItem = &loginItem;
        environment.memoryTrimmer = &trimmer;
        environment.toolPlatform.urlOpener = &urlOpener;
        environment.notesFilePath = env->home() + "/notes.json";
        // The welcome counts as seen unless the test stored otherwise.
        if (!settings.contains(SettingsKeys::hasCompletedOnboarding.name))
            settings.setValue(SettingsKeys::hasCompletedOnboarding, true);
        coordinator = std::make_unique<AppCoordinator>(environment);
    }
    static PetLibrary::Locations locations(TestEnvironment *env, const QString &bundled)
    {
        return { env->dataHome() + "/tamsel/Pets", env->dataHome() + "/Tamsel Desk/Pets", bundled,
            env->home() + "/.nimbo/pets", env->home() + "/tmp" };
    }
    void launch() { awaitTask(coordinator->launch()); }
    // The pet on screen; the test fails when there is none.
    PetSession &pet() const
    {
        PetSession *session = coordinator->session();
        if (!session)
            qFatal("no pet is loaded");
        return *session;
    }

    SettingsStore settings;
    FakeSecretStore secrets;
    KeyStore keyStore;
    PetLibrary library;
    ScriptedAlertPresenter alerts;
    FakeClock clock;
    FakeRandom random;
    NoRevealer revealer;
    NoUrlOpener urlOpener;
    X11WindowSystem windowSystem;
    FakeGlobalHotKey hotKeys;
    FakeMemoryTrimmer trimmer;
    // The real entry, in the test's private config folder.
    // A lasting place for the program: test builds may lie in a temporary folder, which the
    // login item rightly refuses.
    XdgAutostartLoginItem loginItem { QStringLiteral("app.tamsel.Tamsel"), QStringLiteral("/usr/bin/tamsel") };
    AppEnvironment environment;
    std::unique_ptr<AppCoordinator> coordinator;
};
