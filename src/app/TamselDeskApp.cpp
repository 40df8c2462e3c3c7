#include "app/TamselDeskApp.h"

#include "app/AppCoordinator.h"
#include "app/PetSession.h"
#include "foundation/Log.h"
#include "llm/AudioRecorder.h"
#include "pets/PetLibrary.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"
#include "platform/linux/DesktopAppLauncher.h"
#include "platform/linux/DesktopFileRevealer.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/DialogAlertPresenter.h"
#include "platform/linux/DisplayEnvironment.h"
#include "platform/linux/GlibcMemoryTrimmer.h"
#include "platform/linux/KeychainSecretStore.h"
#include "platform/linux/PortalGlobalHotKey.h"
#include "platform/linux/PortalScreenCapturer.h"
#include "platform/linux/QtAudioInput.h"
#include "platform/linux/SessionSingleInstance.h"
#include "platform/linux/SystemClipboard.h"
#include "platform/linux/SystemLog.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "platform/linux/X11GlobalHotKey.h"
#include "platform/linux/X11ScreenCapturer.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "services/KeyStore.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {
// Arguments by value: the coroutine outlives the timer's call that starts it.
QCoro::Task<> launchCoordinator(QPointer<AppCoordinator> coordinator, bool toggleAsk)
{
    auto launched = coordinator->launch();
    co_await std::move(launched);
    if (coordinator && toggleAsk)
        coordinator->toggleAskPrompt();
}
}

namespace TamselDeskApp {

int launch(int argc, char **argv, bool toggleAsk)
{
    DisplayEnvironment::prepare();
    SystemLog::install();
    // Before any thread starts: how the allocator is set up decides what it can give back.
    GlibcMemoryTrimmer memoryTrimmer;

    QApplication app(argc, argv);
    DisplayEnvironment::keepFromChildren();
    QApplication::setApplicationName(QStringLiteral("tamsel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tamsel"));
    QApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    // A tray program: it lives on with no window open.
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per session: a later start asks this one to show its pet and leaves.
    SessionSingleInstance instance { QString::fromLatin1(applicationId) };
    if (toggleAsk)
        instance.setForwardedAction(QString::fromLatin1(toggleAskAction));
    if (!instance.claim())
        return 0;

    KeychainSecretStore secrets { QString::fromLatin1(applicationId) };
    KeyStore keyStore(secrets, SettingsStore::shared());
    DialogAlertPresenter alerts;
    DesktopFileRevealer fileRevealer;
    X11WindowSystem windowSystem;
    XdgAutostartLoginItem loginItem { QString::fromLatin1(applicationId) };
    // An X11 grab through XWayland hears only keys typed into X11 windows; a Wayland session
    // binds keys through the desktop's portal.
    std::unique_ptr<GlobalHotKey> hotKeys;
    if (PortalGlobalHotKey::isNeeded())
        hotKeys = std::make_unique<PortalGlobalHotKey>();
    else
        hotKeys = std::make_unique<X11GlobalHotKey>();
    // Under Wayland only the desktop's screenshot portal sees other programs' windows.
    std::unique_ptr<ScreenCapturer> screenCapturer;
    if (PortalScreenCapturer::isNeeded())
        screenCapturer = std::make_unique<PortalScreenCapturer>();
    else
        screenCapturer = std::make_unique<X11ScreenCapturer>();
    DesktopAppLauncher launcher;
    SystemClipboard clipboard;
    DesktopUrlOpener urlOpener;
    QtAudioInput microphone;
    AudioRecorder::removeLeftoverRecordings(); // what an earlier run left when it died mid-question

    AppEnvironment environment;
    environment.settings = &SettingsStore::shared();
    environment.keyStore = &keyStore;
    environment.alerts = &alerts;
    environment.clock = &Clock::system();
    environment.random = &RandomSource::system();
    environment.library = &PetLibrary::shared();
    environment.library->removeStaleStaging(); // what an earlier run left when it died mid-import
    environment.fileRevealer = &fileRevealer;
    environment.windowSystem = &windowSystem;
    environment.loginItem = &loginItem;
    environment.hotKeys = hotKeys.get();
    environment.audioInput = &microphone;
    environment.memoryTrimmer = &memoryTrimmer;
    environment.toolPlatform.screenCapturer = screenCapturer.get();
    environment.toolPlatform.launcher = &launcher;
    environment.toolPlatform.clipboard = &clipboard;
    environment.toolPlatform.urlOpener = &urlOpener;
    environment.reportFirstFrame = qEnvironmentVariableIsSet("TAMSEL_REPORT_FIRST_FRAME");

    AppCoordinator coordinator(environment);
    // As the menu's Show Pet: shows a hidden pet, never hides a shown one.
    QObject::connect(&instance, &SingleInstance::activationRequested, &coordinator,
        [&coordinator] { coordinator.setPetShown(true); });
    QObject::connect(&instance, &SingleInstance::actionRequested, &coordinator, [&coordinator](const QString &name) {
        if (name == QLatin1String(toggleAskAction))
            coordinator.toggleAskPrompt();
    });

    // Signals and the end of the session take the same road as the Quit item. A session manager's
    // request to save is no end: another program may still cancel the logout. The session's real
    // end arrives as SIGTERM or SIGHUP.
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &app, [](int) { QApplication::quit(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &coordinator, [&coordinator](QSessionManager &) {
        if (PetSession *session = coordinator.session())
            session->saveFrame();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &coordinator, &AppCoordinator::terminate);

    QTimer::singleShot(0, &coordinator, [&coordinator, toggleAsk] { launchCoordinator(&coordinator, toggleAsk); });

    return QApplication::exec();
}

}
