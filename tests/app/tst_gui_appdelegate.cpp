#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "app/AppDelegate.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"
#include "pets/PetLibrary.h"
#include "platform/FileRevealer.h"
#include "platform/linux/X11WindowSystem.h"
#include "behavior/AnimationPlayer.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"

#include "support/AppHarness.h"
#include "support/AwaitTask.h"
#include "support/FakeClock.h"
#include "support/FakeRandom.h"
#include "support/FakeSecretStore.h"
#include "support/PetFixtures.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

#include <QDir>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
const QString kUnreadable
    = "spritesheet.webp could not be decoded. The file may be corrupted or use an unsupported format.";
}

// The coordinator on a real display: launch, the choice of pet, load failures, seeding, scale,
// rows played for clicks and drags, and what is saved at quit.
class TestAppDelegate : public QObject {
    Q_OBJECT

public:
    explicit TestAppDelegate(TestEnvironment *env)
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
        QVERIFY(app.delegate->currentPackage());
        QCOMPARE(app.delegate->currentPackage()->id(), QString("tamsel"));
        QCOMPARE(app.settings.value(SettingsKeys::selectedPetID), QString("tamsel"));
        QVERIFY(app.settings.value(SettingsKeys::bundledPetDefaultsSeeded));
        const PetCharacter character = app.delegate->characterStore().character("tamsel");
        QCOMPARE(character.name, QString("Tamsel"));
        QVERIFY(character.personality.startsWith("A tiny cream chibi cat"));
        QCOMPARE(app.delegate->animationMapStore().mapping("tamsel", 7).name, QString("Dancing"));
        QVERIFY(app.alerts.alerts.isEmpty());

        PetWindowController *window = app.delegate->windowController();
        QVERIFY(window);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->window()->size(), QSize(96, 104)); // half a 192 x 208 cell
        AnimationPlayer *player = app.delegate->animationPlayer();
        QVERIFY(player->isRunning());
        QCOMPARE(player->animation().row, 0);
        QVERIFY(player->animation().loop);
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
        const PetCharacter character = app.delegate->characterStore().character("tamsel");
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
        QCOMPARE(app.delegate->currentPackage()->id(), QString("fox"));

        App relaunched(m_env);
        relaunched.settings.setValue(SettingsKeys::selectedPetID, QString("gone"));
        relaunched.launch();
        QCOMPARE(relaunched.delegate->currentPackage()->id(), QString("tamsel"));
    }

    void failingPetFallsBackToTheBuiltInOne()
    {
        App app(m_env);
        QVERIFY(app.library.importFolder(writeBrokenPet(m_env->home() + "/s/bad", "bad", "Broken Bot")));
        app.settings.setValue(SettingsKeys::selectedPetID, QString("bad"));
        app.launch();
        QCOMPARE(app.alerts.alerts.size(), 1);
        const auto &alert = app.alerts.alerts[0];
        QCOMPARE(alert.style, AlertPresenter::Style::Warning);
        QCOMPARE(alert.title, QString("Couldn't load Broken Bot"));
        QCOMPARE(alert.informativeText, kUnreadable + "\n\nSwitching to Tamsel so you still have a pet on screen.");
        QCOMPARE(alert.buttons, QStringList { "OK" });
        QCOMPARE(app.delegate->currentPackage()->id(), QString("tamsel"));
        QCOMPARE(app.settings.value(SettingsKeys::selectedPetID), QString("tamsel"));
    }

    void failingBuiltInPetLeavesNoPet()
    {
        const QString bundled = writeBrokenPet(m_env->home() + "/bundled", "tamsel", "Tamsel");
        App app(m_env, bundled);
        app.launch();
        QCOMPARE(app.alerts.alerts.size(), 1);
        QCOMPARE(app.alerts.alerts[0].title, QString("Couldn't load Tamsel"));
        QCOMPARE(app.alerts.alerts[0].informativeText,
            kUnreadable + "\n\nImport a working pet package from Preferences → Pet.");
        QVERIFY(!app.delegate->currentPackage());
        QVERIFY(!app.delegate->windowController());
        QVERIFY(!app.settings.contains(SettingsKeys::selectedPetID.name));
    }

    void scaleChangeKeepsTheWindowCentre()
    {
        App app(m_env);
        app.settings.setLastPosition(QPointF(400, 300));
        app.launch();
        QWidget *window = app.delegate->windowController()->window();
        QTRY_VERIFY(window->isVisible());
        const QPoint centre = window->geometry().center();
        app.settings.setValue(SettingsKeys::scale, 1.0);
        app.delegate->reloadCurrentPetWithScale();
        QCOMPARE(window->size(), QSize(192, 208));
        QVERIFY((window->geometry().center() - centre).manhattanLength() <= 2);
    }

    void clicksAndDragsPlayRowsAndQuitSavesThePosition()
    {
        App app(m_env);
        app.random.setScript({ 0.0 }); // the first non-idle row
        app.launch();
        AppDelegate &delegate = *app.delegate;
        AnimationPlayer *player = delegate.animationPlayer();

        delegate.petSpriteViewDidClick(nullptr);
        QCOMPARE(player->animation().row, 1);
        QVERIFY(!player->animation().loop);
        // A one-shot hands back to the idle row when it ends.
        for (int i = 0; i < 20 && player->animation().row != 0; ++i)
            player->tick();
        QCOMPARE(player->animation().row, 0);
        QVERIFY(player->animation().loop);

        // The built-in pet's run rows are swapped: "Run Left" (row 2) shows it moving right.
        delegate.petSpriteViewDidDragInDirection(nullptr, +1);
        QCOMPARE(player->animation().row, 2);
        delegate.petSpriteViewDidDragInDirection(nullptr, -1);
        QCOMPARE(player->animation().row, 1);
        QCOMPARE(player->animation().fps, 12.0);
        delegate.windowController()->window()->move(123, 234);
        delegate.petSpriteViewDidEndDrag(nullptr);
        QCOMPARE(player->animation().row, 0);
        QCOMPARE(app.settings.lastPosition(), std::optional<QPointF>(QPointF(123, 234)));

        delegate.windowController()->window()->move(150, 160);
        delegate.applicationWillTerminate();
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
        app.delegate->reminderStore().add(reminder);
        app.delegate->reminderScheduler()->check();
        QVERIFY(app.delegate->speechBubble().isShowing());
        QCOMPARE(app.delegate->speechBubble().view()->text(), QString("⏰ Stretch"));
        QCOMPARE(app.delegate->animationPlayer()->animation().row, 4);
        QVERIFY(!app.delegate->animationPlayer()->animation().loop);
        QVERIFY(!app.delegate->reminderStore().reminders().constFirst().enabled);
    }

    void taskbarListingFollowsTheSetting()
    {
        for (const bool listed : { false, true }) {
            m_env->reset();
            App app(m_env);
            app.settings.setValue(SettingsKeys::showDockIcon, listed);
            app.launch();
            QWindow *handle = app.delegate->windowController()->windowHandle();
            QTRY_VERIFY(app.delegate->windowController()->isVisible());
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
        }
    }

    void hiddenStartKeepsThePlayerSuspendedAndQuitWithoutPetSavesNothing()
    {
        App app(m_env);
        app.settings.setValue(SettingsKeys::startHidden, true);
        app.launch();
        QVERIFY(!app.delegate->windowController()->isVisible());
        QVERIFY(app.delegate->animationPlayer()->isSuspended());
        QVERIFY(!app.delegate->animationPlayer()->isRunning());

        app.delegate->teardownCurrentPet();
        app.delegate->applicationWillTerminate();
        QVERIFY(!app.settings.lastPosition());
    }
};

TAMSEL_TEST_MAIN(TestAppDelegate)
#include "tst_gui_appdelegate.moc"
