#include "app/AppWindows.h"
#include "behavior/AnimationPlayer.h"
#include "pets/PetLibrary.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"
#include "platform/FileRevealer.h"
#include "platform/linux/X11WindowSystem.h"
#include "preferences/PreferencesWindow.h"
#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"

#include "tray/TrayMenu.h"

#include "support/AppHarness.h"

#include "app/AskCoordinator.h"
#include "support/AwaitTask.h"
#include "support/FakeClock.h"
#include "support/FakeRandom.h"
#include "support/FakeSecretStore.h"
#include "support/MenuProbe.h"
#include "support/PetFixtures.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtEndian>

namespace {
const QString kUnreadable
    = "spritesheet.webp could not be decoded. The file may be corrupted or use an unsupported format.";
}

// The coordinator on a real display: launch, the choice of pet, load failures, seeding,
// rows played for clicks and drags, and what is saved at quit.
class TestAppCoordinator : public QObject {
    Q_OBJECT

public:
    explicit TestAppCoordinator(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    using App = AppHarness;

    // A package whose atlas declares its size but cannot be decoded.
    QString writeBrokenPet(const QString &folder, const QString &id, const QString &name)
    {
        const QByteArray atlas = PetFixtures::atlas();
        return PetFixtures::writePackage(folder, PetFixtures::manifest(id, name), atlas.left(40));
    }

    // A package whose atlas decodes down to its first band of cells (a 64-pixel tile row), below
    // which it is cut off.
    QString writePetBrokenBelowItsFirstFrame(const QString &folder, const QString &id, const QString &name)
    {
        QImage image(384, 416, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QRandomGenerator noise(3);
        for (int y = 64; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, noise.generate() | 0xFF000000u);
        }
        QByteArray atlas;
        QBuffer buffer(&atlas);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "webp");
        writer.setQuality(100); // lossless, read band by band
        writer.write(image);
        atlas.truncate(atlas.size() / 4 * 2);
        // The RIFF and the VP8L chunk sizes are made to match, so that only the pixels are missing.
        qToLittleEndian(quint32(atlas.size() - 8), atlas.data() + 4);
        qToLittleEndian(quint32(atlas.size() - 20), atlas.data() + 16);
        return PetFixtures::writePackage(folder, PetFixtures::manifest(id, name), atlas);
    }

    TestEnvironment *m_env;

private slots:
    void init()
    {
        m_env->reset();
        QDir().mkpath(m_env->home() + "/tmp");
    }

    void firstLaunchShowsTheBuiltInPetAndSeedsIt()
    {
        App app(m_env);
        // The keyring has not answered yet (an unlock prompt is open): launch goes on without it.
        QTimer keyring;
        keyring.setSingleShot(true);
        app.secrets.gate = &keyring;
        app.launch();
        QVERIFY(!app.keyStore.isLoaded());
        keyring.start(0);
        QTRY_VERIFY(app.keyStore.isLoaded());
        QCOMPARE(app.pet().package().id(), QString("tamsel"));
        QCOMPARE(app.settings.value(SettingsKeys::selectedPetID), QString("tamsel"));
        QVERIFY(app.settings.value(SettingsKeys::bundledPetDefaultsSeeded));
        const PetCharacter character = app.coordinator->characterStore().character("tamsel");
        QCOMPARE(character.name, QString("Tamsel"));
        QVERIFY(character.personality.startsWith("A tiny cream chibi cat"));
        QCOMPARE(app.coordinator->animationMapStore().mapping("tamsel", 7).name, QString("Dancing"));
        QVERIFY(app.alerts.alerts.isEmpty());

        PetWindowController &window = app.pet().window();
        QTRY_VERIFY(window.isVisible());
        QCOMPARE(window.window()->size(), QSize(96, 104)); // half a 192 x 208 cell
        AnimationPlayer &player = app.pet().player();
        QVERIFY(player.isRunning());
        QCOMPARE(player.animation().row, 0);
        QVERIFY(player.animation().loop);
    }

    void seedingNeverOverwritesAPersonality()
    {
        {
            SettingsStore settings(m_env->settingsFilePath());
            CharacterStore characters(settings);
            PetCharacter mine;
            mine.name = "Mochi";
            mine.personality = "Grumpy before coffee.";
            characters.setCharacter("tamsel", mine);
        }
        App app(m_env);
        app.launch();
        const PetCharacter character = app.coordinator->characterStore().character("tamsel");
        QCOMPARE(character.name, QString("Mochi"));
        QCOMPARE(character.personality, QString("Grumpy before coffee."));
        QVERIFY(app.settings.value(SettingsKeys::bundledPetDefaultsSeeded));
    }

    void savedPetIsChosenAndAMissingOneFallsThrough()
    {
        App app(m_env);
        QVERIFY(app.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/fox", "fox", "Fox")));
        app.settings.setValue(SettingsKeys::selectedPetID, QString("fox"));
        app.launch();
        QCOMPARE(app.pet().package().id(), QString("fox"));

        App relaunched(m_env);
        relaunched.settings.setValue(SettingsKeys::selectedPetID, QString("gone"));
        relaunched.launch();
        QCOMPARE(relaunched.pet().package().id(), QString("tamsel"));
    }

    void failingPetFallsBackToTheBuiltInOne_data()
    {
        QTest::addColumn<bool>("firstFrameDecodes");
        QTest::newRow("nothing decodes") << false;
        QTest::newRow("its first frame decodes") << true;
    }
    void failingPetFallsBackToTheBuiltInOne()
    {
        QFETCH(bool, firstFrameDecodes);
        App app(m_env);
        const QString folder = m_env->home() + "/s/bad";
        QVERIFY(
            app.library.importFolder(firstFrameDecodes ? writePetBrokenBelowItsFirstFrame(folder, "bad", "Broken Bot")
                                                       : writeBrokenPet(folder, "bad", "Broken Bot")));
        app.settings.setValue(SettingsKeys::selectedPetID, QString("bad"));
        app.launch();
        QCOMPARE(app.alerts.alerts.size(), 1);
        const auto &alert = app.alerts.alerts[0];
        QCOMPARE(alert.style, AlertPresenter::Style::Warning);
        QCOMPARE(alert.title, QString("Couldn't load Broken Bot"));
        QCOMPARE(alert.informativeText, kUnreadable + "\n\nSwitching to Tamsel so you still have a pet on screen.");
        QCOMPARE(alert.buttons, QStringList { "OK" });
        QCOMPARE(app.pet().package().id(), QString("tamsel"));
        QCOMPARE(app.settings.value(SettingsKeys::selectedPetID), QString("tamsel"));
        // The broken pet's first frame, when it was shown meanwhile, went with it.
        QTRY_VERIFY(app.pet().isShown());
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<PetSpriteView *>(window) && window->isVisible())
                QCOMPARE(window, app.pet().window().window());
        }
        // What each decode, failed or not, and the rest of the launch left behind is handed back.
        QTRY_COMPARE(app.trimmer.requests, 3);
    }

    void loadsDecodeOffTheUiThreadAndTheLastRequestWins()
    {
        App app(m_env);
        const auto fox = app.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/fox", "fox", "Fox"));
        const auto owl = app.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/owl", "owl", "Owl"));
        QVERIFY(fox && owl);
        app.launch();
        QSignalSpy loaded(app.coordinator.get(), &AppCoordinator::petLoaded);
        const auto settle = [] {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
        };

        // The one worker is busy until the gate opens, so both decodes wait for it.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore gate;
        pool->start([&gate] { gate.acquire(); });
        app.coordinator->loadPet(fox.value());
        // The pet on screen stays while the new one is decoded.
        QCOMPARE(app.pet().package().id(), QString("tamsel"));
        app.coordinator->loadPet(owl.value());
        gate.release();
        settle();
        pool->setMaxThreadCount(threads);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(app.pet().package().id(), QString("owl"));
        QCOMPARE(app.settings.value(SettingsKeys::selectedPetID), QString("owl"));

        // A pet torn down (to be deleted) while another one is decoded leaves none.
        app.coordinator->loadPet(fox.value());
        app.coordinator->teardownCurrentPet();
        settle();
        QVERIFY(!app.coordinator->session());
        QCOMPARE(loaded.size(), 1);
    }

    void failingPetFallsBackToAnyPetThatLoads()
    {
        App app(m_env, m_env->home() + "/no-built-in-pet");
        QVERIFY(app.library.importFolder(writeBrokenPet(m_env->home() + "/s/aaa", "aaa", "Broken Bot")));
        QVERIFY(app.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/fox", "fox", "Fox")));
        app.settings.setValue(SettingsKeys::selectedPetID, QString("aaa"));
        app.launch();
        QCOMPARE(app.alerts.alerts.size(), 1);
        QCOMPARE(app.alerts.alerts[0].informativeText,
            kUnreadable + "\n\nSwitching to Fox so you still have a pet on screen.");
        QCOMPARE(app.pet().package().id(), QString("fox"));
    }

    void failingBuiltInPetLeavesNoPet()
    {
        const QString bundled = writeBrokenPet(m_env->home() + "/bundled", "tamsel", "Tamsel");
        App app(m_env, bundled);
        // Super+K works while the first alerts are open.
        app.alerts.onPresent = [&app](const AlertPresenter::Alert &) { QCOMPARE(app.hotKeys.held.size(), 1); };
        app.launch();
        QCOMPARE(app.alerts.alerts.size(), 1);
        QCOMPARE(app.alerts.alerts[0].title, QString("Couldn't load Tamsel"));
        QCOMPARE(app.alerts.alerts[0].informativeText,
            kUnreadable + "\n\nImport a working pet package to have a pet on screen.");
        QCOMPARE(app.alerts.alerts[0].buttons, QStringList({ "Import Folder…", "Later" }));
        QCOMPARE(app.alerts.folderChooserCount, 1);
        QVERIFY(!app.coordinator->session());
        QVERIFY(!app.settings.contains(SettingsKeys::selectedPetID.name));
    }

    void trayMenuFollowsTheWindow()
    {
        App app(m_env);
        app.launch();
        TrayMenu *tray = app.coordinator->trayMenu();
        QTRY_VERIFY(tray->trayIcon() && app.pet().isShown());
        // The menu the tray icon pops up, once the window is on screen.
        const auto toggle = [tray] { return tray->trayIcon()->contextMenu()->actions().at(2); };
        QCOMPARE(toggle()->text(), QString("Hide Pet"));
        toggle()->trigger();
        QTRY_VERIFY(!app.pet().isShown());
        QCOMPARE(toggle()->text(), QString("Show Pet"));
        toggle()->trigger();
        QTRY_VERIFY(app.pet().isShown());
        QCOMPARE(toggle()->text(), QString("Hide Pet"));
    }

    void handEditedPositionsOutOfRangeAreIgnored()
    {
        for (const QPointF saved : { QPointF(1e12, 300), QPointF(300, -1e12), QPointF(4e9, 4e9) }) {
            m_env->reset();
            App app(m_env);
            app.settings.setLastPosition(saved);
            app.launch();
            const QRect window = app.pet().window().window()->geometry();
            QVERIFY2(app.pet().window().screen()->availableGeometry().contains(window),
                qPrintable(QString("%1,%2").arg(window.x()).arg(window.y())));
        }
    }

    void clicksAndDragsPlayRowsAndQuitSavesThePosition()
    {
        App app(m_env);
        app.random.setScript({ 0.0 }); // the first non-idle row
        app.launch();
        AnimationPlayer *player = &app.pet().player();
        PetSpriteView *view = app.pet().window().spriteView();

        emit view->clicked();
        QCOMPARE(player->animation().row, 1);
        QVERIFY(!player->animation().loop);
        // A one-shot hands back to the idle row when it ends.
        for (int i = 0; i < 20 && player->animation().row != 0; ++i)
            player->tick();
        QCOMPARE(player->animation().row, 0);
        QVERIFY(player->animation().loop);

        // The built-in pet's run rows are swapped: "Run Left" (row 2) shows it moving right.
        emit view->dragStarted();
        emit view->draggedInDirection(+1);
        QCOMPARE(player->animation().row, 2);
        emit view->draggedInDirection(-1);
        QCOMPARE(player->animation().row, 1);
        QCOMPARE(player->animation().fps, 12.0);
        view->window()->move(123, 234);
        emit view->dragEnded();
        QCOMPARE(player->animation().row, 0);
        QCOMPARE(app.settings.lastPosition(), std::optional<QPointF>(QPointF(123, 234)));

        view->window()->move(150, 160);
        app.coordinator->terminate();
        QCOMPARE(app.settings.lastPosition(), std::optional<QPointF>(QPointF(150, 160)));
        QVERIFY(!app.settings.value(SettingsKeys::lastScreenID).isEmpty());
        QVERIFY(!player->isRunning());
    }

    void firedReminderSpeaksAndPlaysItsRowOnce()
    {
        App app(m_env);
        app.launch();
        Reminder reminder = Reminder::create("Stretch", app.clock.now(), Reminder::Repeat::None);
        reminder.animationRow = 4;
        app.coordinator->reminderStore().add(reminder);
        app.coordinator->reminderScheduler()->check();
        QVERIFY(app.coordinator->speechBubble().isShowing());
        QCOMPARE(app.coordinator->speechBubble().view()->text(), QString("⏰ Stretch"));
        QCOMPARE(app.pet().player().animation().row, 4);
        QVERIFY(!app.pet().player().animation().loop);
        QVERIFY(!app.coordinator->reminderStore().reminders().constFirst().enabled);
    }

    void taskbarListingFollowsTheSetting()
    {
        for (const bool listed : { false, true }) {
            m_env->reset();
            App app(m_env);
            app.settings.setValue(SettingsKeys::showInTaskbar, listed);
            app.launch();
            QWindow *handle = app.pet().window().windowHandle();
            QTRY_VERIFY(app.pet().isShown());
            const auto state = [handle] {
                QProcess xprop;
                xprop.start("xprop", { "-id", QString::number(handle->winId()), "_NET_WM_STATE" });
                xprop.waitForFinished(5000);
                return QString::fromUtf8(xprop.readAllStandardOutput());
            };
            if (listed)
                QVERIFY2(!state().contains("_NET_WM_STATE_SKIP_TASKBAR"), qPrintable(state()));
            else
                QTRY_VERIFY2(state().contains("_NET_WM_STATE_SKIP_TASKBAR"), qPrintable(state()));

            // The preferences' switch changes the listing of the running pet.
            app.coordinator->windows().showPreferences(PreferencesSection::Advanced);
            auto *toggle
                = app.coordinator->windows().preferencesWindow()->findChild<QAbstractButton *>("showInTaskbarSwitch");
            QVERIFY(toggle && toggle->isChecked() == listed);
            toggle->click();
            QCOMPARE(app.settings.value(SettingsKeys::showInTaskbar), !listed);
            QTRY_COMPARE(state().contains("_NET_WM_STATE_SKIP_TASKBAR"), listed);
        }
    }

    void hiddenStartKeepsThePlayerSuspendedAndQuitWithoutPetSavesNothing()
    {
        App app(m_env);
        app.settings.setValue(SettingsKeys::startHidden, true);
        app.launch();
        QVERIFY(!app.pet().isShown());
        QVERIFY(app.pet().player().isSuspended());
        QVERIFY(!app.pet().player().isRunning());

        app.coordinator->teardownCurrentPet();
        app.coordinator->terminate();
        QVERIFY(!app.settings.lastPosition());
    }

    void requestsMadeWhileThePetLoadsAreKept()
    {
        // A second start asks the running copy to show its pet, and the hot key may be pressed as
        // the first frame appears: both maybe before the pet has loaded.
        App app(m_env);
        app.settings.setValue(SettingsKeys::startHidden, true);
        auto launching = app.coordinator->launch();
        QVERIFY(!app.coordinator->session());
        app.coordinator->setPetShown(true);
        app.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(!app.coordinator->ask().isOpen());
        awaitTask(std::move(launching));
        QTRY_VERIFY(app.pet().isShown());
        QVERIFY(app.coordinator->ask().isOpen());
        app.coordinator->toggleAskPrompt();

        // Pressed twice before it has loaded, it stays shut.
        App again(m_env);
        again.settings.setValue(SettingsKeys::startHidden, false);
        auto relaunching = again.coordinator->launch();
        QVERIFY(!again.coordinator->session());
        again.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        again.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        awaitTask(std::move(relaunching));
        QTRY_VERIFY(again.pet().isShown());
        QVERIFY(!again.coordinator->ask().isOpen());
    }
};

TAMSEL_TEST_MAIN(TestAppCoordinator)
#include "tst_gui_appcoordinator.moc"
