#include "app/AppWindows.h"
#include "app/WelcomeFlow.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "preferences/PreferencesWindow.h"
#include "preferences/WelcomeWindow.h"
#include "settings/SettingsKeys.h"
#include "userdata/PetAnimationMapStore.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/ToggleSwitch.h"

#include "support/AppHarness.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

// The Behavior and Advanced panes in the real preferences window of a running coordinator, and the
// welcome window: once, after the first launch that shows a pet; replayed on request over the
// preferences; "Open Preferences" bringing them back once it has gone.
class TestPreferencePanes : public QObject {
    Q_OBJECT

public:
    explicit TestPreferencePanes(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    void storeWelcomeNotSeen()
    {
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(SettingsKeys::hasCompletedOnboarding, false);
    }

    template<typename T> static T *find(AppHarness &app, PreferencesSection section, const char *name)
    {
        app.coordinator->windows().showPreferences(section);
        return app.coordinator->windows().preferencesWindow()->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void init() { m_env->reset(); }

    void showsOnceAfterTheFirstLaunchThatShowsAPet()
    {
        storeWelcomeNotSeen();
        {
            AppHarness noPets(m_env, m_env->home() + "/no such folder");
            noPets.launch();
            QCoreApplication::processEvents();
            QVERIFY(!noPets.coordinator->welcome().window());
            QVERIFY(!noPets.settings.value(SettingsKeys::hasCompletedOnboarding));
        }
        {
            AppHarness app(m_env);
            app.launch();
            QTRY_VERIFY(app.coordinator->welcome().window() && app.coordinator->welcome().window()->isVisible());
            QVERIFY(app.settings.value(SettingsKeys::hasCompletedOnboarding));
            app.settings.flush();
        }
        AppHarness again(m_env);
        again.launch();
        QCoreApplication::processEvents();
        QVERIFY(!again.coordinator->welcome().window());
    }

    void replayHidesThePreferencesUntilOpenPreferences()
    {
        AppHarness app(m_env);
        app.launch();
        AppWindows &windows = app.coordinator->windows();
        windows.showPreferences(PreferencesSection::Advanced);
        QPointer<PreferencesWindow> preferences = windows.preferencesWindow();
        QTRY_VERIFY(preferences->isVisible());

        app.coordinator->replayWelcome();
        QPointer<WelcomeWindow> welcome = app.coordinator->welcome().window();
        QVERIFY(welcome && welcome->isVisible());
        QVERIFY(preferences && !preferences->isVisible());

        // Return picks "Open Preferences": the welcome goes, then the same window comes back.
        QTest::keyClick(welcome, Qt::Key_Return);
        QTRY_VERIFY(!welcome);
        QTRY_VERIFY(preferences && preferences->isVisible());
        QCOMPARE(preferences->section(), PreferencesSection::Advanced);
    }

    void clickMenuOffersOnlyNamedRows()
    {
        AppHarness app(m_env);
        app.launch();
        const QString pet = *app.coordinator->activePetID();
        for (qint64 row = 0; row < 6; ++row) {
            const QString name = row == 2 ? " Wave\t" : row == 4 ? "Sleep" : " ";
            app.coordinator->animationMapStore().setMapping(pet, row, { name, {} });
        }
        auto *menu = find<ChoiceMenu>(app, PreferencesSection::Behavior, "clickBehaviorMenu");
        QStringList offered;
        for (int i = 0; i < menu->count(); ++i)
            offered << menu->itemText(i);
        // The bundled pet has named rows beyond 5, which keep their names.
        QCOMPARE(
            offered.mid(0, 5), QStringList({ "No action", "Random animation", "Toggle running", "Wave", "Sleep" }));
        QVERIFY(!offered.contains(" ") && !offered.contains(""));
        QCOMPARE(menu->currentText(), "Random animation");

        menu->setCurrentIndex(4);
        QCOMPARE(app.settings.value(SettingsKeys::clickBehavior), "row:4");
    }

    void launchAtLoginFlipsBackWhenTheAutostartFolderCannotBeWritten()
    {
        AppHarness app(m_env);
        app.launch();
        const QString folder = XdgAutostartLoginItem::autostartFolder();
        PetFixtures::writeFile(folder, "a file where the folder should be");
        auto *launchAtLogin = find<ToggleSwitch>(app, PreferencesSection::Advanced, "launchAtLoginSwitch");
        QVERIFY(!launchAtLogin->isChecked());

        launchAtLogin->click();
        QVERIFY(!launchAtLogin->isChecked());
        QVERIFY(!app.settings.value(SettingsKeys::launchAtLogin));
        QCOMPARE(app.alerts.alerts.size(), 1);
        QCOMPARE(app.alerts.alerts.first().title, "Couldn't set Tamsel to launch at login");
        QVERIFY2(app.alerts.alerts.first().informativeText.contains(folder),
            qPrintable(app.alerts.alerts.first().informativeText));

        QVERIFY(QFile::remove(folder));
        launchAtLogin->click();
        QVERIFY(launchAtLogin->isChecked());
        QVERIFY(app.settings.value(SettingsKeys::launchAtLogin));
        QVERIFY(app.loginItem.isEnabled());
        QCOMPARE(app.alerts.alerts.size(), 1);
    }
};

TAMSEL_TEST_MAIN(TestPreferencePanes)
#include "tst_gui_preferencepanes.moc"
