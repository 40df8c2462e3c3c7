#include "tray/PawIcon.h"
#include "settings/SettingsKeys.h"
#include "tray/MenuBarController.h"

#include "support/FakeMenuDelegate.h"
#include "support/FrameAtlas.h"
#include "support/MenuProbe.h"
#include "support/TestMain.h"

using namespace MenuProbe;

namespace {
PetPackage package(const QString &id, const QString &name)
{
    PetPackage pet { FrameAtlas::manifest(), QStringLiteral("/pets/") + id };
    pet.manifest.id = id;
    pet.manifest.displayName = name;
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

private:
    TestEnvironment *m_env;
    std::unique_ptr<FakeMenuDelegate> m_fake;

    QMenu *sub(QMenu *menu, const QString &path)
    {
        for (const QString &title : path.split(u'/', Qt::SkipEmptyParts))
            menu = submenu(menu, title);
        return menu;
    }

private slots:
    void init()
    {
        m_env->reset();
        m_fake = std::make_unique<FakeMenuDelegate>(m_env->settingsFilePath());
        m_fake->library = { package("frame-atlas", "Atlas"), package("other", "Salt & Pepper") };
    }
    void cleanup()
    {
        m_fake.reset();
        flushDeletes();
    }

    void topLevelItemsDependOnThePet()
    {
        m_fake->library.clear();
        MenuBarController controller(m_fake.get());
        auto menu = controller.buildMainMenu();
        const QStringList common { "Library", "-", "Import Pet Folder…", "Import Pet .zip…", "-", "Preferences…", "-",
            "Quit Tamsel" };
        QCOMPARE(titles(menu.get()), QStringList({ "No pet loaded", "-" }) + common);
        QVERIFY(!menu->actions().first()->isEnabled());
        QCOMPARE(titles(sub(menu.get(), "Library")), QStringList { "No pets imported" });
        QCOMPARE(item(menu.get(), "Preferences…")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));

        m_fake->current = package("frame-atlas", "Mochi & Co");
        m_fake->windowVisible = false;
        menu = controller.buildMainMenu();
        QCOMPARE(titles(menu.get()),
            QStringList({ "Mochi && Co", "-", "Show Pet", "Animation", "Speed", "Scale", "Behavior", "-" }) + common);
        QVERIFY(!menu->actions().first()->isEnabled());
        m_fake->windowVisible = true;
        QVERIFY(item(controller.buildMainMenu().get(), "Hide Pet"));

        // A name from a package is shown on one line and cut short.
        m_fake->current->manifest.displayName = QStringLiteral("Two\nlines") + QString(200, u'x');
        const QString title = controller.buildMainMenu()->actions().first()->text();
        QCOMPARE(title.size(), MenuBarController::maxTitleLength);
        QVERIFY(title.startsWith(QStringLiteral("Two lines")) && title.endsWith(QChar(0x2026)));
    }

    void animationRowsAreListedByNameOrFrameCount()
    {
        m_fake->current = package("frame-atlas", "Atlas");
        MenuBarController controller(m_fake.get());
        const QString standard = QStringLiteral("Default · Loop (Row 0)");
        QCOMPARE(titles(sub(controller.buildMainMenu().get(), "Animation")),
            QStringList({ standard, "-", "No animation rows detected" }));

        m_fake->decoder = FrameAtlas::decoder({ 3, 0, 0 });
        QCOMPARE(titles(sub(controller.buildMainMenu().get(), "Animation")), QStringList({ standard, "-" }));

        // Rows 1..5: padded name, empty, blank name, unnamed with 1 frame, unnamed with 3.
        m_fake->decoder = FrameAtlas::decoder({ 2, 4, 0, 2, 1, 3 });
        m_fake->maps().setMapping("frame-atlas", 1, { QStringLiteral(" \tWave  "), {} });
        m_fake->maps().setMapping("frame-atlas", 3, { QStringLiteral("   "), { QStringLiteral("hi") } });
        m_fake->maps().setMapping("other", 4, { QStringLiteral("Not mine"), {} });
        m_fake->pinned = 4;
        auto menu = controller.buildMainMenu();
        QCOMPARE(titles(sub(menu.get(), "Animation")),
            QStringList({ standard, "-", "Wave", "Animation 4 · 2 frames", "Animation 5 · 1 frame",
                "Animation 6 · 3 frames" }));
        QCOMPARE(checked(sub(menu.get(), "Animation")), QStringList { "Animation 5 · 1 frame" });

        m_fake->pinned.reset();
        m_fake->hasMaps = false;
        menu = controller.buildMainMenu();
        QCOMPARE(checked(sub(menu.get(), "Animation")), QStringList { standard });
        QCOMPARE(titles(sub(menu.get(), "Animation")).at(2), QStringLiteral("Animation 2 · 4 frames"));

        // A tall atlas of thin rows lists a bounded number of them.
        m_fake->decoder = FrameAtlas::decoder(QList<int>(MenuBarController::maxListedRows + 3, 1));
        const QStringList listed = titles(sub(controller.buildMainMenu().get(), "Animation"));
        QCOMPARE(listed.size(), 2 + MenuBarController::maxListedRows + 1);
        QCOMPARE(listed.last(), QStringLiteral("2 more rows not listed"));
    }

    void marksFollowSettingsAndCurrentPet()
    {
        m_fake->current = m_fake->library.first();
        MenuBarController controller(m_fake.get());
        SettingsStore &settings = m_fake->settings();
        settings.setValue(SettingsKeys::playbackSpeed, 0.0);
        settings.setValue(SettingsKeys::scale, 0.0);
        settings.setBehaviorMode(BehaviorMode::Busy);
        auto menu = controller.buildMainMenu();
        QCOMPARE(titles(sub(menu.get(), "Speed")), QStringList({ "0.5×", "0.75×", "1×", "1.5×" }));
        QCOMPARE(titles(sub(menu.get(), "Scale")), QStringList({ "25%", "50%", "75%", "100%", "150%", "200%" }));
        QCOMPARE(checked(sub(menu.get(), "Speed")), QStringList { "1×" });
        QCOMPARE(checked(sub(menu.get(), "Scale")), QStringList { "50%" });
        QCOMPARE(checked(sub(menu.get(), "Behavior")), QStringList { "Busy" });

        QCOMPARE(checked(sub(menu.get(), "Library")), QStringList { "Atlas" });
        QCOMPARE(titles(sub(menu.get(), "Library/Salt && Pepper")),
            QStringList({ "Switch to Salt && Pepper", "Show in File Manager", "-", "Delete Salt && Pepper…" }));
        QVERIFY(!item(sub(menu.get(), "Library/Atlas"), "Switch to Atlas")->isEnabled());
        QVERIFY(item(sub(menu.get(), "Library/Salt && Pepper"), "Switch to Salt && Pepper")->isEnabled());

        settings.setValue(SettingsKeys::playbackSpeed, 0.755);
        settings.setValue(SettingsKeys::scale, 1.2); // between two items: nothing marked
        menu = controller.buildMainMenu();
        QCOMPARE(checked(sub(menu.get(), "Speed")), QStringList { "0.75×" });
        QCOMPARE(checked(sub(menu.get(), "Scale")), QStringList());
    }

    void itemsCallTheDelegateAndRebuild()
    {
        m_fake->current = m_fake->library.first();
        m_fake->decoder = FrameAtlas::decoder({ 1, 2 });
        MenuBarController controller(m_fake.get());
        const auto menu = controller.buildMainMenu();
        const QPointer<QMenu> installed = controller.trayMenu();
        const QStringList paths { "Speed/1.5×", "Scale/200%", "Behavior/Still", "Animation/Animation 2 · 2 frames",
            "Animation/Default · Loop (Row 0)", "Hide Pet", "Library/Salt && Pepper/Switch to Salt && Pepper",
            "Library/Salt && Pepper/Show in File Manager", "Library/Salt && Pepper/Delete Salt && Pepper…",
            "Import Pet Folder…", "Import Pet .zip…", "Preferences…", "Quit Tamsel" };
        for (const QString &path : paths)
            item(sub(menu.get(), path.section(u'/', 0, -2)), path.section(u'/', -1))->trigger();
        QCOMPARE(m_fake->calls,
            QStringList({ "applyPlaybackSpeed 1.5", "reloadCurrentPetWithScale 2", "setBehaviorMode still", "playRow 1",
                "clearPinnedRow", "togglePetVisibility", "loadPet other", "revealPetInFileManager other",
                "confirmAndDeletePet other", "promptImportFolder", "promptImportZip", "showPetPreferences", "quit" }));
        flushDeletes();
        QVERIFY(!installed && controller.trayMenu()); // replaced after the first item, then deleted

        // Items whose value is missing, of another type or out of range do nothing.
        m_fake->calls.clear();
        for (const QString &path : paths.mid(0, 4) + paths.mid(6, 3)) {
            QAction *action = item(sub(menu.get(), path.section(u'/', 0, -2)), path.section(u'/', -1));
            for (const QVariant &bad :
                { QVariant(), QVariant(QStringLiteral("x")), QVariant(-1.0), QVariant::fromValue<qint64>(-3) }) {
                action->setData(bad);
                action->trigger();
            }
        }
        QCOMPARE(m_fake->calls, QStringList());
        QCOMPARE(m_fake->settings().value(SettingsKeys::playbackSpeed), 1.5);
    }

    void aDestroyedDelegateIsNoLongerUsed()
    {
        m_fake->current = m_fake->library.first();
        MenuBarController controller(m_fake.get());
        const auto menu = controller.buildMainMenu();
        m_fake.reset();
        item(menu.get(), "Quit Tamsel")->trigger(); // under ASan a stale pointer would be caught here
        QCOMPARE(titles(controller.buildMainMenu().get()).first(), QStringLiteral("No pet loaded"));
    }

    void openMenusAreNotDeletedUnderTheUser()
    {
        MenuBarController controller(m_fake.get());
        const QPointer<QMenu> open = controller.trayMenu();
        open->popup(QPoint(10, 10));
        controller.rebuild();
        flushDeletes();
        QVERIFY(open && open->isVisible());
        open->hide();
        flushDeletes();
        QVERIFY(!open);

        controller.popUpContextMenu(QPoint(20, 20));
        const QPointer<QMenu> first = controller.contextMenu();
        QVERIFY(first && first->isVisible());
        controller.popUpContextMenu(QPoint(30, 30));
        flushDeletes();
        QVERIFY(!first && controller.contextMenu()->isVisible());
    }

    void pawIconHasEverySizeAndFallsBack()
    {
        const QImage small = PawIcon::icon().pixmap(QSize(16, 16)).toImage();
        QCOMPARE(PawIcon::icon().availableSizes().size(), 6);
        QVERIFY(small.pixelColor(0, 0).alpha() == 0 && small.pixelColor(8, 11).alpha() == 255);
        QVERIFY(!PawIcon::icon(m_env->home() + QStringLiteral("/missing-")).isNull());
    }
};

TAMSEL_TEST_MAIN(TestMenuBarController)
#include "tst_menubarcontroller.moc"
