#include "app/AppDelegate.h"

#include "services/HotKeyMonitor.h"
#include "services/KeyStore.h"
#include "foundation/Log.h"
#include "services/ModelGuard.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "foundation/TextParsing.h"
#include "app/AppToolHost.h"
#include "app/AskPromptPlaceholder.h"
#include "tray/MenuBarController.h"
#include "userdata/CharacterStore.h"
#include "userdata/NoteStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"
#include "pets/PetImageCache.h"
#include "pets/PetLibrary.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "platform/WindowSystem.h"
#include "preferences/PreferencesWindow.h"
#include "behavior/AnimationPlayer.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"

#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
// A manifest may declare any cell size; the window never grows past this many points a side.
constexpr double kMaxWindowSide = 2048.0;

QSize windowSize(QSize frame, double scale)
{
    const auto side = [scale](int pixels) {
        return static_cast<int>(std::clamp(std::round(scale * static_cast<double>(pixels)), 1.0, kMaxWindowSide));
    };
    return { side(frame.width()), side(frame.height()) };
}

const QString kBundledPetPersonality = QStringLiteral(
    "A tiny cream chibi cat who keeps you company while you work. Curious and good-natured, easily delighted by "
    "small wins, and quick with a gentle word of encouragement when things get tough. Loves cozy, calm workspaces "
    "and the occasional little victory dance.");
}

AppDelegate::AppDelegate(const AppEnvironment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_reminderStore(std::make_unique<ReminderStore>(*environment.settings))
    , m_animationMapStore(std::make_unique<PetAnimationMapStore>(*environment.settings))
    , m_characterStore(std::make_unique<CharacterStore>(*environment.settings))
    , m_noteStore(std::make_unique<NoteStore>(
          environment.notesFilePath.isEmpty() ? NoteStore::defaultFilePath() : environment.notesFilePath,
          *environment.clock))
    , m_speechBubble(std::make_unique<SpeechBubbleController>(environment.windowSystem))
    , m_libraryFlows(*environment.library, *environment.alerts, *environment.fileRevealer, *environment.settings, *this)
    , m_behaviorEngine(std::make_unique<BehaviorEngine>(*environment.clock, *environment.random))
    , m_lastInteractionAt(environment.clock->now())
{
    m_sinceStart.start();
    wireBehaviorEngine();
    m_toolHost = std::make_unique<AppToolHost>(*this);
    ToolRegistry::Platform toolPlatform = environment.toolPlatform;
    toolPlatform.clock = environment.clock;
    m_toolRegistry = std::make_unique<ToolRegistry>(*m_toolHost, toolPlatform);
    connect(&m_stateMachine, &PetStateMachine::stateEntered, this, &AppDelegate::onStateEntered);
    // An import that lasts more than a moment shows a busy dialog until it ends.
    connect(&m_libraryFlows, &PetLibraryFlows::importStarted, this, [this](const QString &label) {
        auto *progress = new QProgressDialog(label, QString(), 0, 0);
        progress->setWindowTitle(QStringLiteral("Tamsel"));
        progress->setMinimumDuration(500);
        QTimer::singleShot(500, progress, &QWidget::show);
        connect(&m_libraryFlows, &PetLibraryFlows::importFinished, progress, &QObject::deleteLater);
    });
    // Losing the pointer to another program mid-press must not leave a drag hanging.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive && m_windowController && m_windowController->spriteView()->isPressed())
            m_windowController->spriteView()->endPressWithoutClick();
    });
}

AppDelegate::~AppDelegate()
{
    m_toolRegistry.reset();
    m_menuBar.reset();
    teardownCurrentPet();
    delete m_askPrompt.data();
    delete m_preferencesWindow.data();
}

QCoro::Task<> AppDelegate::applicationDidFinishLaunching()
{
    QPointer<AppDelegate> self(this);

    // The key is read once here; everything later answers from memory.
    co_await m_env.keyStore->migrateFromDefaultsIfNeeded();
    if (!self)
        co_return;
    co_await m_env.keyStore->load();
    if (!self)
        co_return;

    ModelGuard::enforceToolCapableModel(*m_env.settings);
    m_showInTaskbar = m_env.settings->showDockIcon();

    m_reminderScheduler = std::make_unique<ReminderScheduler>(
        *m_reminderStore, this, [this](const Reminder &reminder) { handleReminderFired(reminder); }, *m_env.clock);
    m_reminderScheduler->start();

    m_menuBar = std::make_unique<MenuBarController>(this);
    m_behaviorEngine->setMode(m_env.settings->behaviorMode());
    m_behaviorEngine->restart();

    seedBundledPetDefaultsIfNeeded();
    const QList<PetPackage> installed = m_env.library->loadLibrary();
    const QString selected = m_env.settings->value(SettingsKeys::selectedPetID);
    const auto saved = std::find_if(
        installed.begin(), installed.end(), [&](const PetPackage &package) { return package.id() == selected; });
    if (!selected.isEmpty() && saved != installed.end()) {
        loadPet(*saved);
    } else if (const auto bundled = m_env.library->installBundledPetIfNeeded()) {
        loadPet(*bundled);
    } else if (!installed.isEmpty()) {
        loadPet(installed.constFirst());
    } else {
        co_await m_libraryFlows.offerNimboImport();
    }
    if (!self)
        co_return;
    startBackgroundTimers();
    registerHotKey();
    emit launchFinished();
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_reminderScheduler)
        m_reminderScheduler->stop();
    if (m_player)
        m_player->stop();
    m_behaviorEngine->stop();
    m_idleCheckTimer.stop();
    persistWindowFrame();
}

void AppDelegate::handleReminderFired(const Reminder &reminder)
{
    m_speechBubble->show(QStringLiteral("⏰ ") + reminder.title, std::chrono::seconds(8));
    if (reminder.animationRow)
        playRowOneShot(*reminder.animationRow);
}

void AppDelegate::seedBundledPetDefaultsIfNeeded()
{
    if (m_env.settings->value(SettingsKeys::bundledPetDefaultsSeeded))
        return;
    const auto bundledID = m_env.library->bundledPetID();
    if (!bundledID)
        return; // try again next launch
    QMap<qint64, QString> names;
    const QStringList defaults = PetLibrary::bundledPetDefaultNames();
    for (qsizetype row = 0; row < defaults.size(); ++row)
        names.insert(row, defaults.at(row));
    m_animationMapStore->seedNames(*bundledID, names);

    const PetCharacter existing = m_characterStore->character(*bundledID);
    if (TextParsing::trimSpacesAndTabs(existing.personality).isEmpty()) {
        PetCharacter seeded;
        seeded.name = QStringLiteral("Tamsel");
        seeded.personality = kBundledPetPersonality;
        seeded.tone = PetCharacter::Tone::Playful;
        m_characterStore->setCharacter(*bundledID, seeded);
    }
    m_env.settings->setValue(SettingsKeys::bundledPetDefaultsSeeded, true);
}

void AppDelegate::seedCharacterFromManifestIfNeeded(const PetPackage &package)
{
    const PetCharacter existing = m_characterStore->character(package.id());
    const QString name = existing.name.isEmpty() ? package.manifest.displayName.trimmed() : existing.name;
    const QString personality = package.manifest.description.value_or(QString()).trimmed();
    if (name.isEmpty() && personality.isEmpty())
        return;
    if (!TextParsing::trimSpacesAndTabs(existing.personality).isEmpty())
        return; // a user's or an earlier seed's personality is never overwritten
    PetCharacter seeded = existing;
    seeded.name = name;
    seeded.personality = personality;
    m_characterStore->setCharacter(package.id(), seeded);
}

void AppDelegate::seedAnimationNamesIfNeeded(const PetPackage &package)
{
    if (!m_decoder)
        return;
    const QStringList defaults = PetLibrary::bundledPetDefaultNames();
    QMap<qint64, QString> names;
    for (qint64 row : m_decoder->nonEmptyRows()) {
        if (row >= 0 && row < defaults.size())
            names.insert(row, defaults.at(row));
    }
    if (!names.isEmpty())
        m_animationMapStore->seedNames(package.id(), names);
}

void AppDelegate::loadPet(const PetPackage &package)
{
    teardownCurrentPet();

    const QString atlasPath = QDir(package.folderPath).filePath(package.manifest.spritesheetFileName);
    auto decoder = SpriteSheetDecoder::create(package.manifest, atlasPath);
    if (!decoder) {
        handleLoadFailure(package, decoder.error().description());
        return;
    }
    m_currentPackage = package;
    m_env.settings->setValue(SettingsKeys::selectedPetID, package.id());
    seedCharacterFromManifestIfNeeded(package);
    m_decoder = decoder.value();
    seedAnimationNamesIfNeeded(package);
    const MovementRows movementRows = deriveMovementRows(package.id());
    m_behaviorEngine->setMovementRows(movementRows.right, movementRows.left);

    m_player = std::make_unique<AnimationPlayer>(
        m_decoder, AnimationRules::resolveAnimation(PetAnimationState::Idle, animationContext()));
    connect(m_player.get(), &AnimationPlayer::frameEmitted, this, &AppDelegate::onFrameEmitted);
    connect(m_player.get(), &AnimationPlayer::oneShotFinished, this, &AppDelegate::onOneShotFinished);

    const auto origin = m_env.settings->lastPosition();
    m_windowController
        = std::make_unique<PetWindowController>(windowSize(m_decoder->frameSize(), m_env.settings->scale()),
            origin ? std::optional<QPoint>(origin->toPoint()) : std::nullopt, m_env.windowSystem);
    m_windowController->spriteView()->setDelegate(this);
    m_windowController->window()->installEventFilter(this);
    m_windowController->setClickThrough(m_env.settings->value(SettingsKeys::clickThrough));
    m_windowController->setWindowLevel(m_env.settings->windowLevel());
    m_windowController->recoverIfOffscreen();
    connect(
        m_windowController.get(), &PetWindowController::visibilityChanged, this, &AppDelegate::petVisibilityDidChange);

    if (!m_env.settings->value(SettingsKeys::startHidden))
        m_windowController->show();
    applyTaskbarListing();
    m_stateMachine.request(PetAnimationState::Idle, PetStateMachine::Source::System);
    m_player->emitCurrent();
    m_player->play();

    m_speechBubble->setPetWindow(m_windowController->window());
    configureBehaviorForCurrentPet();
    petVisibilityDidChange();
    rebuildMainMenu();
    emit activePetChanged();
}

void AppDelegate::applyTaskbarListing()
{
    if (m_windowController && m_env.windowSystem && m_windowController->isVisible())
        m_env.windowSystem->setListedInTaskbar(m_windowController->windowHandle(), m_showInTaskbar);
}

void AppDelegate::teardownCurrentPet()
{
    if (m_player) {
        m_player->stop();
        m_player->disconnect(this);
        m_player.reset();
    }
    m_behaviorEngine->stop();
    m_behaviorEngine->setActionPool(std::nullopt);
    m_behaviorEngine->setMovementRows(std::nullopt, std::nullopt);
    m_behaviorEngine->setMaxRow(0);
    m_behaviorSuspended = false;
    m_idleCheckTimer.stop();
    m_precisePetOrigin.reset();
    m_requestedPetOrigins.clear();
    m_speechBubble->setPetWindow(nullptr);
    if (m_windowController) {
        m_windowController->spriteView()->clearDelegate();
        m_windowController->disconnect(this);
        m_windowController->hide();
        m_windowController.reset();
    }
    m_decoder.reset();
    m_pinnedRow.reset();
    m_currentDragRow.reset();
    m_currentPackage.reset();
}

void AppDelegate::presentLoadError(const QString &title, const QString &description, const QString &recovery)
{
    m_libraryFlows.presentError(description, title, recovery);
}

void AppDelegate::handleLoadFailure(const PetPackage &package, const QString &errorDescription)
{
    if (m_env.settings->value(SettingsKeys::selectedPetID) == package.id())
        m_env.settings->remove(SettingsKeys::selectedPetID);
    m_currentPackage.reset();
    m_decoder.reset();
    const QString title = QStringLiteral("Couldn't load ") + package.manifest.displayName;
    Log::line(QStringLiteral("AppDelegate loadPet failed: ") + errorDescription);

    if (m_isRecoveringFromLoadFailure) {
        presentLoadError(title, errorDescription, QString());
        return;
    }
    const auto bundled = m_env.library->installBundledPetIfNeeded();
    if (bundled && bundled->id() != package.id()) {
        presentLoadError(title, errorDescription,
            QStringLiteral("Switching to ") + bundled->manifest.displayName
                + QStringLiteral(" so you still have a pet on screen."));
        m_isRecoveringFromLoadFailure = true;
        loadPet(*bundled);
        m_isRecoveringFromLoadFailure = false;
        return;
    }
    presentLoadError(title, errorDescription, QStringLiteral("Import a working pet package from Preferences → Pet."));
}

void AppDelegate::applyPlaybackSpeed()
{
    if (m_player && m_decoder)
        AnimationRules::applyPlaybackSpeed(*m_player, animationContext());
}

void AppDelegate::reloadCurrentPetWithScale()
{
    if (!m_currentPackage || !m_windowController || !m_decoder)
        return;
    QWidget *window = m_windowController->window();
    const QRect old = window->geometry();
    const QSize size = windowSize(m_decoder->frameSize(), m_env.settings->scale());
    // Keep the centre where it was.
    const QPoint topLeft(old.x() - (size.width() - old.width()) / 2, old.y() - (size.height() - old.height()) / 2);
    window->setGeometry(QRect(topLeft, size));
    m_windowController->recoverIfOffscreen();
    m_speechBubble->repositionAboveCurrentPet();
}

void AppDelegate::persistWindowFrame()
{
    if (!m_windowController)
        return;
    const QPoint origin = m_windowController->window()->pos();
    m_env.settings->setLastPosition(QPointF(origin));
    if (QScreen *screen = m_windowController->screen())
        m_env.settings->setValue(SettingsKeys::lastScreenID, PetWindowController::identifier(screen));
}

void AppDelegate::petVisibilityDidChange()
{
    const bool hidden = !m_windowController || !m_windowController->isVisible();
    suspendBehaviorWhileHidden(hidden);
    if (!m_player)
        return;
    m_player->setSuspended(hidden);
    // Window managers read the taskbar state of a window only once it is mapped.
    if (!hidden)
        applyTaskbarListing();
    reportFirstFrameIfShown();
}

void AppDelegate::reportFirstFrameIfShown()
{
    if (!m_env.reportFirstFrame || m_firstFrameReported || !m_windowController || !m_windowController->isVisible()
        || m_windowController->spriteView()->currentFrame().isNull())
        return;
    m_firstFrameReported = true;
    Log::line(QStringLiteral("first frame on screen after ") + QString::number(m_sinceStart.elapsed())
        + QStringLiteral(" ms"));
}

void AppDelegate::onFrameEmitted(const QImage &frame)
{
    if (!m_windowController)
        return;
    m_windowController->spriteView()->setFrame(frame);
    reportFirstFrameIfShown();
}

std::optional<QString> AppDelegate::activePetID() const
{
    return m_currentPackage ? std::optional<QString>(m_currentPackage->id()) : std::nullopt;
}

void AppDelegate::rebuildMainMenu()
{
    if (m_menuBar)
        m_menuBar->rebuild();
    emit mainMenuInvalidated();
}

QString AppDelegate::characterName(const QString &petID) const
{
    return m_characterStore->character(petID).name;
}

void AppDelegate::evictAtlasImage(const QString &atlasPath)
{
    PetImageCache::evict(atlasPath);
}

void AppDelegate::registerHotKey()
{
    if (!m_env.hotKeys)
        return;
    m_hotKey = std::make_unique<HotKeyMonitor>(*m_env.hotKeys);
    m_hotKey->setHandler(this, [this] { toggleAskPrompt(); });
    m_hotKey->registerKey(Qt::Key_K, Qt::MetaModifier);
}

bool AppDelegate::isAskPromptOpen() const
{
    return m_askPrompt && m_askPrompt->isVisible();
}

void AppDelegate::toggleAskPrompt()
{
    if (isAskPromptOpen()) {
        m_askPrompt->close();
        return;
    }
    if (!m_askPrompt)
        m_askPrompt = new AskPromptPlaceholder;
    m_askPrompt->present(m_windowController ? m_windowController->window()->geometry() : QRect());
}

void AppDelegate::showPreferences(PreferencesSection section)
{
    if (m_preferencesWindow) {
        if (section != PreferencesSection::Pet)
            m_preferencesWindow->setSection(section);
    } else {
        m_preferencesWindow = new PreferencesWindow(section);
        m_preferencesWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_preferencesWindow, &QObject::destroyed, this, &AppDelegate::releasePreferencesWindow);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            m_preferencesWindow->move(screen->availableGeometry().center() - m_preferencesWindow->rect().center());
    }
    m_preferencesWindow->show();
    m_preferencesWindow->raise();
    m_preferencesWindow->activateWindow();
}

PreferencesWindow *AppDelegate::preferencesWindow() const
{
    return m_preferencesWindow.data();
}

void AppDelegate::releasePreferencesWindow()
{
    if (m_preferencesWindow) {
        m_preferencesWindow->disconnect(this);
        m_preferencesWindow->deleteLater();
    }
    m_preferencesWindow.clear();
    // The panes filled the cache with atlases nobody shows any more.
    PetImageCache::clear();
}
