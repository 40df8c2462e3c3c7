#include "app/AppWindows.h"
#include "petwindow/PetWindowController.h"
#include "preferences/CheckeredImage.h"
#include "preferences/PreferencesWindow.h"
#include "settings/SettingsKeys.h"
#include "widgets/SegmentedControl.h"
#include "widgets/ToggleSwitch.h"

#include "support/AppHarness.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QLabel>
#include <QListWidget>
#include <QWindow>

#include <memory>

// The preferences window on the real coordinator: the section it opens at, the Window pane's
// controls reaching the pet on screen, and the library following a pet switched elsewhere.
class TestPreferencesWindow : public QObject {
    Q_OBJECT

public:
    explicit TestPreferencesWindow(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    PreferencesWindow *open(AppHarness &app, PreferencesSection section)
    {
        app.coordinator->windows().showPreferences(section);
        PreferencesWindow *window = app.coordinator->windows().preferencesWindow();
        if (window && !QTest::qWaitForWindowExposed(window))
            return nullptr;
        return window;
    }

    template<typename T> static T *child(QWidget *window, const QString &name)
    {
        return window ? window->findChild<T *>(name) : nullptr;
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void opensAtTheAskedSectionAndIsBuiltAnewAfterClosing()
    {
        AppHarness app(m_env);
        app.launch();
        PreferencesWindow *window = open(app, PreferencesSection::Advanced);
        QVERIFY(window);
        QCOMPARE(child<QLabel>(window, "paneTitle")->text(), QStringLiteral("Advanced"));
        QCOMPARE(child<QLabel>(window, "paneSubtitle")->text(), QStringLiteral("Login, taskbar, library"));
        QCOMPARE(child<QListWidget>(window, "preferencesSidebar")->currentItem()->text(), QStringLiteral("Advanced"));
        // Asked again for the Pet section, the open window keeps its pane.
        QCOMPARE(open(app, PreferencesSection::Pet), window);
        QCOMPARE(window->section(), PreferencesSection::Advanced);

        window->close();
        QTRY_VERIFY(!app.coordinator->windows().preferencesWindow());
        app.coordinator->setScale(2.0); // as the tray menu does meanwhile
        window = open(app, PreferencesSection::Window);
        QCOMPARE(child<QLabel>(window, "paneTitle")->text(), QStringLiteral("Window"));
        QCOMPARE(child<SegmentedControl>(window, "scaleControl")->currentText(), QStringLiteral("2×"));
    }

    void scaleShowsTheStoredValue_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("zero reads as a half") << 0.0 << "0.5×";
        QTest::newRow("not offered") << 1.2 << "";
    }

    void scaleShowsTheStoredValue()
    {
        QFETCH(double, stored);
        QFETCH(QString, selected);
        AppHarness app(m_env);
        app.settings.setValue(SettingsKeys::scale, stored);
        app.launch();
        auto *scale = child<SegmentedControl>(open(app, PreferencesSection::Window), "scaleControl");
        QVERIFY(scale);
        QCOMPARE(scale->currentText(), selected);
    }

    void clickThroughAppliesAtOnceAndStartHiddenWaits()
    {
        AppHarness app(m_env);
        app.launch();
        QWidget *pet = app.pet().window().window();
        QVERIFY(QTest::qWaitForWindowExposed(pet));
        PreferencesWindow *window = open(app, PreferencesSection::Window);
        auto *clickThrough = child<ToggleSwitch>(window, "clickThroughSwitch");
        auto *startHidden = child<ToggleSwitch>(window, "startHiddenSwitch");
        QVERIFY(clickThrough && startHidden);

        QTest::mouseClick(clickThrough, Qt::LeftButton, {}, clickThrough->rect().center());
        QVERIFY(pet->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        QTest::mouseClick(startHidden, Qt::LeftButton, {}, startHidden->rect().center());
        QVERIFY(pet->isVisible());
        app.settings.flush();
        QCOMPARE(app.settings.value(SettingsKeys::clickThrough), true);
        QCOMPARE(app.settings.value(SettingsKeys::startHidden), true);

        QTest::mouseClick(clickThrough, Qt::LeftButton, {}, clickThrough->rect().center());
        QVERIFY(!pet->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
    }

    void libraryFollowsAPetSwitchedElsewhere()
    {
        AppHarness app(m_env);
        const auto fox = app.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/fox", "fox", "Fox"));
        QVERIFY(fox);
        app.launch();
        const QString bundled = app.pet().package().id();
        PreferencesWindow *window = open(app, PreferencesSection::Pet);
        QVERIFY(window);
        const auto row = [&](const QString &id) { return child<QWidget>(window, "petRow:" + id); };
        QTRY_VERIFY(row("fox") && child<QWidget>(row("fox"), "switchButton"));
        QVERIFY(child<QWidget>(row(bundled), "activeLabel"));
        QCOMPARE(window->findChildren<QWidget *>("activeLabel").size(), 1);
        // Thumbnails arrive from the background after the list is shown.
        QTRY_VERIFY(child<CheckeredImage>(row("fox"), "thumbnail")->hasImage());

        app.coordinator->loadPet(fox.value()); // as the tray's pet menu does
        QTRY_VERIFY(row("fox") && child<QWidget>(row("fox"), "activeLabel"));
        QTRY_VERIFY(child<QWidget>(row(bundled), "switchButton"));
    }
};

TAMSEL_TEST_MAIN(TestPreferencesWindow)
#include "tst_gui_preferences.moc"
