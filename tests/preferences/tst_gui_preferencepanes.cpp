#include "app/AppWindows.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "preferences/PreferencesWindow.h"
#include "settings/SettingsKeys.h"
#include "userdata/PetAnimationMapStore.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/ToggleSwitch.h"

#include "support/AppHarness.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

// The Behavior and Advanced panes in the real preferences window of a running coordinator.
class TestPreferencePanes : public QObject {
    Q_OBJECT

public:
    explicit TestPreferencePanes(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    template<typename T> static T *find(AppHarness &app, PreferencesSection section, const char *name)
    {
        app.coordinator->windows().showPreferences(section);
        return app.coordinator->windows().preferencesWindow()->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void init() { m_env->reset(); }

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
