#include "app/AppWindows.h"
#include "app/WelcomeFlow.h"
#include "preferences/PreferencesWindow.h"
#include "preferences/WelcomeWindow.h"
#include "settings/SettingsKeys.h"

#include "support/AppHarness.h"
#include "support/TestMain.h"

#include <QPushButton>

// The welcome window: once, after the first launch that shows a pet; replayed on request over the
// preferences; "Open Preferences" opening them once it has gone.
class TestWelcome : public QObject {
    Q_OBJECT

public:
    explicit TestWelcome(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    void storeNotSeen()
    {
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(SettingsKeys::hasCompletedOnboarding, false);
    }

private slots:
    void init() { m_env->reset(); }

    void showsOnceAfterTheFirstLaunchThatShowsAPet()
    {
        storeNotSeen();
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
            QCOMPARE(app.coordinator->welcome().window()->size(), WelcomeWindow::fixedSize);
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
        QVERIFY(app.settings.value(SettingsKeys::hasCompletedOnboarding)); // as the harness stored it
    }
};

TAMSEL_TEST_MAIN(TestWelcome)
#include "tst_gui_welcome.moc"
