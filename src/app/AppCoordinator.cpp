#include "app/AppCoordinator.h"

#include "app/AppPreferencesHost.h"
#include "app/AppToolHost.h"
#include "app/AppWindows.h"
#include "app/AskCoordinator.h"
#include "app/BehaviorDirector.h"
#include "app/PetSession.h"
#include "app/WelcomeFlow.h"
#include "behavior/AnimationPlayer.h"
#include "behavior/IdleChatter.h"
#include "behavior/SpeakingTime.h"
#include "foundation/Log.h"
#include "pets/PetImageCache.h"
#include "pets/PetLibrary.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationIcon.h"
#include "platform/MemoryTrimmer.h"
#include "platform/WindowSystem.h"
#include "services/HotKeyMonitor.h"
#include "services/KeyStore.h"
#include "services/ModelGuard.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "tray/TrayMenu.h"
#include "userdata/CharacterStore.h"
#include "userdata/NoteStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/PetSeeding.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include <qcoro/qcorosignal.h>

namespace {
// The manifest's cell size within what a window may be sized from (PetSession::windowSize() bounds
// it further): the size of every whole cell of the atlas.
QSize declaredCellSize(const PetManifest &manifest)
{
    constexpr qint64 largest = 1 << 16;
    return { int(std::clamp<qint64>(manifest.frameWidth, 1, largest)),
        int(std::clamp<qint64>(manifest.frameHeight, 1, largest)) };
}
}

AppCoordinator::AppCoordinator(const AppEnvironment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_reminderStore(std::make_unique<ReminderStore>(*environment.settings))
    , m_animationMapStore(std::make_unique<PetAnimationMapStore>(*environment.settings))
    , m_characterStore(std::make_unique<CharacterStore>(*environment.settings))
    , m_noteStore(std::make_unique<NoteStore>(
          environment.notesFilePath.isEmpty() ? NoteStore::defaultFilePath() : environment.notesFilePath,
          *environment.clock))
    , m_speechBubble(std::make_unique<SpeechBubbleController>(environment.windowSystem))
    , m_idleChatter(std::make_unique<IdleChatter>(*environment.clock, *environment.random,
          [settings = environment.settings] { return settings->chatterEnabled(); }))
    , m_libraryFlows(*environment.library, *environment.alerts, *environment.fileRevealer, *environment.settings, *this)
    , m_preferencesHost(std::make_unique<AppPreferencesHost>(*this))
    , m_windows(std::make_unique<AppWindows>(*m_preferencesHost))
    , m_welcome(std::make_unique<WelcomeFlow>(*environment.settings, *m_windows))
{
    m_sinceStart.start();
    connect(m_idleChatter.get(), &IdleChatter::lineChosen, this,
        [this](const QString &line) { m_speechBubble->show(line, SpeakingTime::forLine(line)); });
    m_toolHost = std::make_unique<AppToolHost>(*this);
    ToolRegistry::Platform toolPlatform = environment.toolPlatform;
    toolPlatform.clock = environment.clock;
    m_toolRegistry = std::make_unique<ToolRegistry>(*m_toolHost, toolPlatform);
    m_ask = std::make_unique<AskCoordinator>(*this, m_env, *m_toolRegistry);
    // An import that lasts more than a moment shows a busy dialog until it ends.
    connect(&m_libraryFlows, &PetLibraryFlows::importStarted, this, [this](const QString &label) {
        auto *progress = new QProgressDialog(label, QString(), 0, 0);
        progress->setWindowTitle(QStringLiteral("Tamsel"));
        progress->setMinimumDuration(500);
        QTimer::singleShot(500, progress, &QWidget::show);
        connect(&m_libraryFlows, &PetLibraryFlows::importFinished, progress, &QObject::deleteLater);
    });
    connect(&m_libraryFlows, &PetLibraryFlows::importFinished, this, &AppCoordinator::activePetChanged);
}

AppCoordinator::~AppCoordinator()
{
    m_ask.reset();
    m_toolRegistry.reset();
    m_tray.reset();
    m_session.reset();
    m_firstWindow.reset();
    m_welcome.reset();
    m_windows.reset();
}

QCoro::Task<> AppCoordinator::launch()
{
    QPointer<AppCoordinator> self(this);

    ModelGuard::enforceToolCapableModel(*m_env.settings);
    PetSeeding::seedBundledPetDefaults(*m_env.settings, *m_env.library, *m_animationMapStore, *m_characterStore);
    const QList<PetPackage> installed = m_env.library->loadLibrary();
    const QString selected = m_env.settings->value(SettingsKeys::selectedPetID);
    const auto saved = std::find_if(
        installed.begin(), installed.end(), [&](const PetPackage &package) { return package.id() == selected; });
    std::optional<PetPackage> first;
    if (!selected.isEmpty() && saved != installed.end())
        first = *saved;
    else if (const auto bundled = m_env.library->installBundledPetIfNeeded())
        first = *bundled;
    else if (!installed.isEmpty())
        first = installed.constFirst();
    // A pet about to be shown goes first: its first frame is shown as soon as its band of the
    // atlas is decoded, the rest (the tray's D-Bus round trip, icons, the menu, the keyring)
    // follows. A hidden start needs the tray to know whether it may hide the pet.
    const bool petFirst = first && !m_env.settings->value(SettingsKeys::startHidden);
    // The hot key works from the moment the pet appears; a press before the pet has loaded opens
    // the prompt once it has.
    registerHotKey();
    if (!petFirst)
        finishSetUp();
    // The atlas is decoded on a worker while the reminders are set up.
    std::optional<QCoro::Task<>> loading;
    if (first)
        loading = showPet(*first, petFirst);

    m_reminderScheduler = std::make_unique<ReminderScheduler>(
        *m_reminderStore, this, [this](const Reminder &reminder) { handleReminderFired(reminder); }, *m_env.clock);
    m_reminderScheduler->start();

    if (loading) {
        co_await std::move(*loading);
    } else {
        auto offering = m_libraryFlows.offerNimboImport();
        co_await std::move(offering);
    }
    if (!self)
        co_return;
    if (petFirst && m_session && !m_firstFrameShown) {
        // Bounded: a window that never reaches the screen must not cost the tray.
        auto shown = qCoro(this, &AppCoordinator::firstFrameShown, std::chrono::seconds(1));
        co_await std::move(shown);
        if (!self)
            co_return;
    }
    finishSetUp();
    refreshTray();
    releaseFreedMemory();
    QTimer::singleShot(0, this, [this] { m_welcome->showIfFirstTime(m_session != nullptr); });
}

void AppCoordinator::replayWelcome()
{
    m_welcome->replay(m_session != nullptr);
}

void AppCoordinator::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_reminderScheduler)
        m_reminderScheduler->stop();
    m_idleChatter->setWatching(false);
    if (m_session) {
        m_session->behavior().setHeld(true);
        m_session->player().stop();
        m_session->saveFrame();
    }
}

void AppCoordinator::handleReminderFired(const Reminder &reminder)
{
    m_speechBubble->show(QStringLiteral("⏰ ") + reminder.title, std::chrono::seconds(8));
    if (reminder.animationRow && m_session)
        m_session->playRowOneShot(*reminder.animationRow);
}

void AppCoordinator::loadPet(const PetPackage &package)
{
    // Runs on by itself; it re-checks the coordinator after every step.
    auto loading = showPet(package);
}

QCoro::Task<> AppCoordinator::showPet(PetPackage package, bool showFirstFrameEarly)
{
    QPointer<AppCoordinator> self(this);
    // A later load, or a teardown meanwhile, makes this one stale.
    const quint64 request = ++m_loadRequest;
    const bool early = showFirstFrameEarly && !m_session && !m_firstWindow;
    SpriteSheetDecoder::EarlyCell cell;
    if (early) {
        cell.row = PetSession::firstRow(package.manifest);
        cell.context = this;
        cell.take = [this, request](const QImage &image) { showFirstFrame(request, image); };
    }
    const QString atlasPath = QDir(package.folderPath).filePath(package.manifest.spritesheetFileName);
    auto decoding = SpriteSheetDecoder::createInBackground(package.manifest, atlasPath, std::move(cell));
    if (early) {
        // Made while the first band is decoded, shown once its frame is there.
        m_firstWindow = PetSession::createWindow(declaredCellSize(package.manifest), sessionServices());
        m_firstWindowRequest = request;
    }
    auto decoded = co_await std::move(decoding);
    if (!self)
        co_return;
    releaseFreedMemory();
    if (request != m_loadRequest) {
        if (m_firstWindowRequest == request)
            m_firstWindow.reset();
        co_return;
    }
    const std::optional<QString> error = show(package, std::move(decoded));
    if (!error)
        co_return;
    // Before any alert: the prompt and the menu work while one is open.
    finishSetUp();
    const QString title = QStringLiteral("Couldn't load ") + package.manifest.displayName;
    // Whatever failed, the user ends with a pet that loads or with the offer to import one.
    QStringList failed { package.id() };
    while (const auto fallback = fallbackPet(failed)) {
        auto decodingFallback = decodeAtlas(*fallback);
        auto fallbackDecoded = co_await std::move(decodingFallback);
        if (!self)
            co_return;
        releaseFreedMemory();
        if (request != m_loadRequest)
            co_return;
        if (show(*fallback, std::move(fallbackDecoded))) {
            failed.append(fallback->id());
            continue;
        }
        m_libraryFlows.presentError(*error, title,
            QStringLiteral("Switching to ") + fallback->manifest.displayName
                + QStringLiteral(" so you still have a pet on screen."));
        co_return;
    }
    AlertPresenter::Alert offer;
    offer.style = AlertPresenter::Style::Warning;
    offer.title = title;
    offer.informativeText = *error + QStringLiteral("\n\nImport a working pet package to have a pet on screen.");
    offer.buttons = { QStringLiteral("Import Folder…"), QStringLiteral("Later") };
    if (m_env.alerts->present(offer) == 0)
        m_libraryFlows.promptImportFolder();
}

QCoro::Task<SpriteSheetDecoder::Created> AppCoordinator::decodeAtlas(const PetPackage &package)
{
    const QString atlasPath = QDir(package.folderPath).filePath(package.manifest.spritesheetFileName);
    // The decoder copies both before it first suspends.
    return SpriteSheetDecoder::createInBackground(package.manifest, atlasPath);
}

void AppCoordinator::showFirstFrame(quint64 request, const QImage &cell)
{
    // Only while the load that asked is still the one to show, and nothing else is on screen.
    if (!m_firstWindow || request != m_firstWindowRequest || request != m_loadRequest || m_session
        || staysHiddenOnceLoaded())
        return;
    m_firstWindow->spriteView()->setFrame(cell);
    connect(m_firstWindow.get(), &PetWindowController::visibilityChanged, this, [this](bool visible) {
        if (visible)
            noteFirstFrameShown();
    });
    m_firstWindow->show();
}

void AppCoordinator::noteFirstFrameShown()
{
    if (m_firstFrameShown)
        return;
    m_firstFrameShown = true;
    if (m_env.reportFirstFrame)
        Log::line(QStringLiteral("first frame on screen after ") + QString::number(m_sinceStart.elapsed())
            + QStringLiteral(" ms"));
    emit firstFrameShown();
}

bool AppCoordinator::staysHiddenOnceLoaded() const
{
    // What was asked for while the pet loaded wins over the setting. Without a tray nothing could
    // bring a hidden pet back.
    const bool wantsHidden = m_shownOnceLoaded ? !*m_shownOnceLoaded : m_env.settings->value(SettingsKeys::startHidden);
    return wantsHidden && m_tray && m_tray->offersHiding();
}

PetSession::Services AppCoordinator::sessionServices()
{
    return { *m_env.settings, *m_animationMapStore, m_stateMachine, *m_env.clock, *m_env.random, m_env.windowSystem,
        *m_speechBubble, m_env.library->bundledPetID().value_or(QString()) };
}

void AppCoordinator::releaseFreedMemory()
{
    if (!m_env.memoryTrimmer)
        return;
    // After the pet on screen was replaced and its window got to paint.
    QTimer::singleShot(0, this, [trimmer = m_env.memoryTrimmer] {
        // Also stops the cache's own expiry timer, which would wake a hidden pet 30 s later.
        QPixmapCache::clear();
        trimmer->releaseFreeMemory();
    });
}

std::optional<PetPackage> AppCoordinator::fallbackPet(const QStringList &failedIDs) const
{
    QList<PetPackage> candidates;
    if (const auto bundled = m_env.library->installBundledPetIfNeeded())
        candidates.append(*bundled);
    candidates.append(m_env.library->loadLibrary());
    for (const PetPackage &candidate : std::as_const(candidates)) {
        if (!failedIDs.contains(candidate.id()))
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> AppCoordinator::show(const PetPackage &package, SpriteSheetDecoder::Created decoder)
{
    // The window showing this pet's first frame becomes the session's, or goes with the failure.
    std::unique_ptr<PetWindowController> firstWindow = std::move(m_firstWindow);
    if (firstWindow && m_firstWindowRequest != m_loadRequest)
        firstWindow.reset();
    if (firstWindow)
        firstWindow->disconnect(this);
    if (!decoder) {
        Log::line(
            QStringLiteral("Couldn't load pet ") + package.id() + QStringLiteral(": ") + decoder.error().description());
        if (m_env.settings->value(SettingsKeys::selectedPetID) == package.id())
            m_env.settings->remove(SettingsKeys::selectedPetID);
        return decoder.error().description();
    }
    // The pet on screen stayed there while the new one was decoded.
    closeSession();
    m_env.settings->setValue(SettingsKeys::selectedPetID, package.id());
    PetSeeding::seedCharacterFromManifest(package, *m_characterStore);
    PetSeeding::seedAnimationNames(package, decoder.value()->nonEmptyRows(), *m_animationMapStore);

    m_session = std::make_unique<PetSession>(package, decoder.value(), sessionServices(), std::move(firstWindow));
    connectSession();
    const bool hidden = staysHiddenOnceLoaded();
    m_shownOnceLoaded.reset();
    m_session->setShown(!hidden);
    refreshTray();
    emit petLoaded();
    emit activePetChanged();
    return std::nullopt;
}

void AppCoordinator::connectSession()
{
    PetSession *session = m_session.get();
    connect(session, &PetSession::shownChanged, this, &AppCoordinator::onPetShownChanged);
    connect(session, &PetSession::menuStateChanged, this, &AppCoordinator::refreshTray);
    connect(session, &PetSession::interacted, m_idleChatter.get(), &IdleChatter::recordInteraction);
    connect(session, &PetSession::askPromptRequested, this, &AppCoordinator::toggleAskPrompt);
    connect(session, &PetSession::contextMenuRequested, this, [this](QPoint at) {
        if (!m_tray)
            return;
        refreshTray();
        m_tray->popUpContextMenu(at);
    });
    connect(session, &PetSession::firstFrameShown, this, &AppCoordinator::noteFirstFrameShown);
}

void AppCoordinator::onPetShownChanged(bool shown)
{
    m_idleChatter->setWatching(shown);
    // Window managers read the taskbar state of a window only once it is mapped.
    if (shown && m_env.windowSystem)
        m_env.windowSystem->setListedInTaskbar(m_session->window().windowHandle(), m_env.settings->showInTaskbar());
    // The window is shown or hidden for real only once the window system says so.
    refreshTray();
}

void AppCoordinator::teardownCurrentPet()
{
    // A pet still being decoded is not shown after all (its files may be about to go).
    ++m_loadRequest;
    m_firstWindow.reset();
    closeSession();
}

void AppCoordinator::closeSession()
{
    if (!m_session)
        return;
    m_idleChatter->setWatching(false);
    m_session.reset();
    refreshTray();
    emit activePetChanged();
}

std::optional<QString> AppCoordinator::activePetID() const
{
    return m_session ? std::optional<QString>(m_session->package().id()) : std::nullopt;
}

void AppCoordinator::rebuildMainMenu()
{
    refreshTray();
}

QString AppCoordinator::characterName(const QString &petID) const
{
    return m_characterStore->character(petID).name;
}

void AppCoordinator::evictAtlasImage(const QString &atlasPath)
{
    PetImageCache::evict(atlasPath);
}

void AppCoordinator::setPetShown(bool shown)
{
    if (m_session) {
        m_session->setShown(shown);
    } else {
        m_shownOnceLoaded = shown; // asked while the pet still loads: a second start, say
        if (m_firstWindow && staysHiddenOnceLoaded())
            m_firstWindow->hide();
        else if (m_firstWindow && !m_firstWindow->spriteView()->currentFrame().isNull())
            m_firstWindow->show();
    }
    refreshTray();
}

void AppCoordinator::setPlaybackSpeed(double speed)
{
    m_env.settings->setValue(SettingsKeys::playbackSpeed, speed);
    if (m_session)
        m_session->applyPlaybackSpeed();
    refreshTray();
}

void AppCoordinator::setScale(double scale)
{
    m_env.settings->setValue(SettingsKeys::scale, scale);
    reloadCurrentPetWithScale();
}

void AppCoordinator::reloadCurrentPetWithScale()
{
    if (m_session)
        m_session->applyScale();
    refreshTray();
}

void AppCoordinator::setBehaviorMode(BehaviorMode mode)
{
    if (m_session)
        m_session->behavior().setMode(mode);
    else
        m_env.settings->setBehaviorMode(mode);
    refreshTray();
}

TrayMenuState AppCoordinator::trayMenuState() const
{
    TrayMenuState state;
    const SettingsStore &settings = *m_env.settings;
    state.speed = settings.playbackSpeed();
    state.scale = settings.scale();
    state.mode = settings.behaviorMode();
    for (const PetPackage &package : m_env.library->loadLibrary())
        state.library.append({ package, m_libraryFlows.displayName(package) });
    if (!m_session)
        return state;
    const PetPackage &package = m_session->package();
    state.active = TrayMenuState::Pet { package, m_libraryFlows.displayName(package) };
    state.petShown = m_session->isShown();
    state.pinnedRow = m_session->pinnedRow();
    const SpriteSheetDecoder &decoder = *m_session->decoder();
    for (qint64 row : decoder.nonEmptyRows())
        state.rows.append(
            { row, m_animationMapStore->mapping(package.id(), row).name, decoder.effectiveFrameCount(row) });
    return state;
}

void AppCoordinator::refreshTray()
{
    if (m_tray)
        m_tray->setState(trayMenuState());
}

void AppCoordinator::connectTray()
{
    TrayMenu *tray = m_tray.get();
    connect(tray, &TrayMenu::refreshRequested, this, &AppCoordinator::refreshTray);
    connect(tray, &TrayMenu::showHideRequested, this, &AppCoordinator::setPetShown);
    connect(tray, &TrayMenu::speedChosen, this, &AppCoordinator::setPlaybackSpeed);
    connect(tray, &TrayMenu::scaleChosen, this, &AppCoordinator::setScale);
    connect(tray, &TrayMenu::behaviorModeChosen, this, &AppCoordinator::setBehaviorMode);
    connect(tray, &TrayMenu::rowPinned, this, [this](qint64 row) {
        if (m_session)
            m_session->pinRow(row);
    });
    connect(tray, &TrayMenu::pinCleared, this, [this] {
        if (m_session)
            m_session->clearPinnedRow();
    });
    connect(tray, &TrayMenu::petSwitchRequested, this, &AppCoordinator::loadPet);
    connect(tray, &TrayMenu::petRevealRequested, this,
        [this](const PetPackage &package) { m_libraryFlows.revealPetInFileManager(package); });
    connect(tray, &TrayMenu::petDeleteRequested, this, [this](const PetPackage &package) {
        m_libraryFlows.confirmAndDeletePet(package);
        refreshTray();
    });
    connect(tray, &TrayMenu::importFolderRequested, this, [this] {
        m_libraryFlows.promptImportFolder();
        refreshTray();
    });
    connect(tray, &TrayMenu::importZipRequested, this, [this] {
        m_libraryFlows.promptImportZip();
        refreshTray();
    });
    connect(
        tray, &TrayMenu::preferencesRequested, this, [this] { m_windows->showPreferences(PreferencesSection::Pet); });
    connect(tray, &TrayMenu::quitRequested, this, [] { QCoreApplication::quit(); });
}

void AppCoordinator::finishSetUp()
{
    if (m_tray)
        return;
    // Decoding the icon's pictures takes a few milliseconds, and reading the keyring loads
    // libsecret, which opens a D-Bus connection of its own.
    QGuiApplication::setWindowIcon(ApplicationIcon::icon());
    // A request that needs the key meanwhile waits for it.
    m_env.keyStore->startLoading();
    m_tray = std::make_unique<TrayMenu>();
    connectTray();
    registerHotKey();
}

void AppCoordinator::registerHotKey()
{
    if (!m_env.hotKeys || m_hotKey)
        return;
    m_hotKey = std::make_unique<HotKeyMonitor>(*m_env.hotKeys);
    m_hotKey->setHandler(this, [this] { toggleAskPrompt(); });
    m_hotKey->registerKey(Qt::Key_K, Qt::MetaModifier);
}

bool AppCoordinator::isAskPromptOpen() const
{
    return m_ask->isOpen();
}

void AppCoordinator::toggleAskPrompt()
{
    m_ask->toggle();
}
