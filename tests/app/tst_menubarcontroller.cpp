#include "app/PawIcon.h"
#include "app/SettingsKeys.h"
#include "app/ui/MenuBarController.h"

#include "support/FakeMenuDelegate.h"
#include "support/FrameAtlas.h"
#include "support/MenuProbe.h"
#include "support/TestMain.h"

using namespace MenuProbe;

namespace {
PetPackage package(const QString &id, const QString &name)
{
    PetPackage pet;
    pet.manifest = FrameAtlas::manifest();
    pet.manifest.id = id;
    pet.manifest.displayName = name;
    pet.folderPath = QStringLiteral("/pets/") + id;
    return pet;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}

class TestMenuBarController : public QObject {
    Q_OBJECT

public:
    explicit TestMenuBarController(TestEnvironment *env)
        : m_env(env)
    {
    }

private slots:
    void init()
    {
        m_env->reset();
        m_delegate = std::make_unique<FakeMenuDelegate>(m_env->settingsFilePath());
    }
    void cleanup()
    {
        m_delegate.reset();
        flushDeletes();
    }

    void withoutPetOnlyLibraryImportsPreferencesAndQuit()
    {
        MenuBarController controller(m_delegate.get());
        QCOMPARE(controller.trayIcon(), nullptr); // offscreen: no tray
        const auto menu = controller.buildMainMenu();
        QCOMPARE(titles(menu.get()),
            QStringList({ "No pet loaded", "-", "Library", "-", "Import Pet Folder…", "Import Pet .zip…", "-",
                "Preferences…", "-", "Quit Tamsel" }));
        QVERIFY(!item(menu.get(), "No pet loaded")->isEnabled());
        QCOMPARE(titles(submenu(menu.get(), "Library")), QStringList { "No pets imported" });
        QVERIFY(!item(submenu(menu.get(), "Library"), "No pets imported")->isEnabled());
        QCOMPARE(item(menu.get(), "Import Pet Folder…")->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
        QCOMPARE(item(menu.get(), "Preferences…")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
        QCOMPARE(item(menu.get(), "Quit Tamsel")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QVERIFY(controller.trayMenu());
    }

    void withPetShowsPetSections()
    {
        m_delegate->current = package("frame-atlas", "Mochi & Co");
        MenuBarController controller(m_delegate.get());
        auto menu = controller.buildMainMenu();
        QCOMPARE(titles(menu.get()).mid(0, 9),
            QStringList({ "Mochi && Co", "-", "Hide Pet", "Animation", "Speed", "Scale", "Behavior", "-", "Library" }));
        QVERIFY(!menu->actions().first()->isEnabled());

        m_delegate->windowVisible = false;
        menu = controller.buildMainMenu();
        QVERIFY(item(menu.get(), "Show Pet"));
        QVERIFY(!item(menu.get(), "Hide Pet"));
    }

    void animationRowsAreListedByNameOrFrameCount()
    {
        m_delegate->current = package("frame-atlas", "Atlas");
        MenuBarController controller(m_delegate.get());

        // No decoder at all.
        QCOMPARE(titles(submenu(controller.buildMainMenu().get(), "Animation")),
            QStringList({ "Default · Loop (Row 0)", "-", "No animation rows detected" }));

        // Only row 0 has frames: the default item and nothing else.
        m_delegate->decoder = FrameAtlas::decoder({ 3, 0, 0 });
        QCOMPARE(titles(submenu(controller.buildMainMenu().get(), "Animation")),
            QStringList({ "Default · Loop (Row 0)", "-" }));

        // Rows 1..5: named with padding, empty, blank-named, unnamed with 1 frame, unnamed with 3.
        m_delegate->decoder = FrameAtlas::decoder({ 2, 4, 0, 2, 1, 3 });
        m_delegate->maps().setMapping("frame-atlas", 1, { QStringLiteral(" \tWave  "), {} });
        m_delegate->maps().setMapping("frame-atlas", 3, { QStringLiteral("   "), { QStringLiteral("hi") } });
        m_delegate->maps().setMapping("other-pet", 4, { QStringLiteral("Not mine"), {} });
        m_delegate->pinned = 4;
        auto menu = controller.buildMainMenu();
        QMenu *animation = submenu(menu.get(), "Animation");
        QCOMPARE(titles(animation),
            QStringList({ "Default · Loop (Row 0)", "-", "Wave", "Animation 4 · 2 frames", "Animation 5 · 1 frame",
                "Animation 6 · 3 frames" }));
        QCOMPARE(checked(animation), QStringList { "Animation 5 · 1 frame" });

        m_delegate->pinned.reset();
        m_delegate->hasMaps = false;
        menu = controller.buildMainMenu();
        animation = submenu(menu.get(), "Animation");
        QCOMPARE(checked(animation), QStringList { "Default · Loop (Row 0)" });
        QCOMPARE(titles(animation).at(2), QStringLiteral("Animation 2 · 4 frames"));
    }

    void speedScaleAndBehaviorMarkTheCurrentValue()
    {
        m_delegate->current = package("frame-atlas", "Atlas");
        MenuBarController controller(m_delegate.get());
        SettingsStore &settings = m_delegate->settings();
        settings.setValue(SettingsKeys::playbackSpeed, 0.0);
        settings.setValue(SettingsKeys::scale, 0.0);
        settings.setBehaviorMode(BehaviorMode::Busy);
        auto menu = controller.buildMainMenu();
        QCOMPARE(titles(submenu(menu.get(), "Speed")), QStringList({ "0.5×", "0.75×", "1×", "1.5×" }));
        QCOMPARE(titles(submenu(menu.get(), "Scale")), QStringList({ "25%", "50%", "75%", "100%", "150%", "200%" }));
        QCOMPARE(titles(submenu(menu.get(), "Behavior")), QStringList({ "Still", "Friendly", "Busy", "Wander" }));
        QCOMPARE(checked(submenu(menu.get(), "Speed")), QStringList { "1×" });
        QCOMPARE(checked(submenu(menu.get(), "Scale")), QStringList { "50%" });
        QCOMPARE(checked(submenu(menu.get(), "Behavior")), QStringList { "Busy" });

        settings.setValue(SettingsKeys::playbackSpeed, 0.755);
        settings.setValue(SettingsKeys::scale, 1.5);
        menu = controller.buildMainMenu();
        QCOMPARE(checked(submenu(menu.get(), "Speed")), QStringList { "0.75×" });
        QCOMPARE(checked(submenu(menu.get(), "Scale")), QStringList { "150%" });

        // Between the listed values nothing is marked.
        settings.setValue(SettingsKeys::scale, 1.2);
        QCOMPARE(checked(submenu(controller.buildMainMenu().get(), "Scale")), QStringList());
    }

    void libraryMarksTheCurrentPet()
    {
        m_delegate->library = { package("frame-atlas", "Atlas"), package("other", "Other") };
        m_delegate->current = m_delegate->library.first();
        MenuBarController controller(m_delegate.get());
        const auto menu = controller.buildMainMenu();
        QMenu *library = submenu(menu.get(), "Library");
        QCOMPARE(titles(library), QStringList({ "Atlas", "Other" }));
        QCOMPARE(checked(library), QStringList { "Atlas" });
        QCOMPARE(titles(submenu(library, "Other")),
            QStringList({ "Switch to Other", "Show in File Manager", "-", "Delete Other…" }));
        QVERIFY(!item(submenu(library, "Atlas"), "Switch to Atlas")->isEnabled());
        QVERIFY(item(submenu(library, "Other"), "Switch to Other")->isEnabled());
    }

    void itemsCallTheDelegateAndRebuild()
    {
        m_delegate->library = { package("frame-atlas", "Atlas"), package("other", "Other") };
        m_delegate->current = m_delegate->library.first();
        m_delegate->decoder = FrameAtlas::decoder({ 1, 2 });
        MenuBarController controller(m_delegate.get());
        const auto menu = controller.buildMainMenu();
        QMenu *library = submenu(menu.get(), "Library");

        const QPointer<QMenu> installed = controller.trayMenu();
        item(submenu(menu.get(), "Speed"), "1.5×")->trigger();
        QVERIFY(controller.trayMenu() != installed);
        flushDeletes();
        QVERIFY(!installed); // the replaced menu is gone

        item(submenu(menu.get(), "Scale"), "200%")->trigger();
        item(submenu(menu.get(), "Behavior"), "Still")->trigger();
        item(submenu(menu.get(), "Animation"), "Animation 2 · 2 frames")->trigger();
        item(submenu(menu.get(), "Animation"), "Default · Loop (Row 0)")->trigger();
        item(menu.get(), "Hide Pet")->trigger();
        item(submenu(library, "Other"), "Switch to Other")->trigger();
        item(submenu(library, "Other"), "Show in File Manager")->trigger();
        item(submenu(library, "Other"), "Delete Other…")->trigger();
        item(menu.get(), "Import Pet Folder…")->trigger();
        item(menu.get(), "Import Pet .zip…")->trigger();
        item(menu.get(), "Preferences…")->trigger();
        item(menu.get(), "Quit Tamsel")->trigger();
        QCOMPARE(m_delegate->calls,
            QStringList({ "applyPlaybackSpeed 1.5", "reloadCurrentPetWithScale 2", "setBehaviorMode still", "playRow 1",
                "clearPinnedRow", "togglePetVisibility", "loadPet other", "revealPetInFileManager other",
                "confirmAndDeletePet other", "promptImportFolder", "promptImportZip", "showPetPreferences", "quit" }));
        QCOMPARE(m_delegate->settings().value(SettingsKeys::playbackSpeed), 1.5);
        QCOMPARE(m_delegate->settings().value(SettingsKeys::scale), 2.0);
    }

    void itemsWithoutTheirValueDoNothing()
    {
        m_delegate->library = { package("other", "Other") };
        m_delegate->current = package("frame-atlas", "Atlas");
        m_delegate->decoder = FrameAtlas::decoder({ 1, 2 });
        MenuBarController controller(m_delegate.get());
        const auto menu = controller.buildMainMenu();
        const QList<QAction *> valued = {
            item(submenu(menu.get(), "Speed"), "1.5×"),
            item(submenu(menu.get(), "Scale"), "25%"),
            item(submenu(menu.get(), "Behavior"), "Still"),
            item(submenu(menu.get(), "Animation"), "Animation 2 · 2 frames"),
            item(submenu(submenu(menu.get(), "Library"), "Other"), "Switch to Other"),
            item(submenu(submenu(menu.get(), "Library"), "Other"), "Delete Other…"),
        };
        for (QAction *action : valued) {
            action->setData(QVariant());
            action->trigger();
            action->setData(QStringLiteral("nonsense"));
            action->trigger();
        }
        item(submenu(menu.get(), "Speed"), "1.5×")->setData(-1.0);
        item(submenu(menu.get(), "Speed"), "1.5×")->trigger();
        item(submenu(menu.get(), "Animation"), "Animation 2 · 2 frames")->setData(QVariant::fromValue<qint64>(-3));
        item(submenu(menu.get(), "Animation"), "Animation 2 · 2 frames")->trigger();
        QCOMPARE(m_delegate->calls, QStringList());
        QVERIFY(!m_delegate->settings().contains(SettingsKeys::playbackSpeed.name));
        QVERIFY(!m_delegate->settings().contains(SettingsKeys::scale.name));
    }

    void aDestroyedDelegateIsNoLongerUsed()
    {
        m_delegate->current = package("frame-atlas", "Atlas");
        MenuBarController controller(m_delegate.get());
        const auto menu = controller.buildMainMenu();
        m_delegate.reset();
        item(menu.get(), "Quit Tamsel")->trigger(); // must not reach the dead delegate
        QCOMPARE(titles(controller.buildMainMenu().get()).first(), QStringLiteral("No pet loaded"));
    }

    void openMenusAreNotDeletedUnderTheUser()
    {
        MenuBarController controller(m_delegate.get());
        const QPointer<QMenu> open = controller.trayMenu();
        open->popup(QPoint(10, 10));
        QVERIFY(open->isVisible());
        controller.rebuild();
        flushDeletes();
        QVERIFY(open);
        QVERIFY(open->isVisible());
        open->hide();
        flushDeletes();
        QVERIFY(!open);

        controller.popUpContextMenu(QPoint(20, 20));
        const QPointer<QMenu> first = controller.contextMenu();
        QVERIFY(first && first->isVisible());
        controller.popUpContextMenu(QPoint(30, 30));
        flushDeletes();
        QVERIFY(!first);
        QVERIFY(controller.contextMenu()->isVisible());
    }

    void pawIconHasEverySizeAndFallsBack()
    {
        const QIcon paw = PawIcon::icon();
        QCOMPARE(paw.availableSizes().size(), 6);
        const QImage small = paw.pixmap(QSize(16, 16)).toImage();
        QCOMPARE(small.size(), QSize(16, 16));
        QVERIFY(small.pixelColor(0, 0).alpha() == 0); // a symbol on a transparent square
        QVERIFY(small.pixelColor(8, 11).alpha() == 255);
        QVERIFY(!PawIcon::icon(m_env->home() + QStringLiteral("/missing-")).isNull());
    }

private:
    TestEnvironment *m_env;
    std::unique_ptr<FakeMenuDelegate> m_delegate;
};

TAMSEL_TEST_MAIN(TestMenuBarController)
#include "tst_menubarcontroller.moc"
