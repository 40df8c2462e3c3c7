#include "tray/PawIcon.h"
#include "tray/TrayMenu.h"

#include "support/FrameAtlas.h"
#include "support/MenuProbe.h"
#include "support/TestMain.h"
#include "support/TrayMenuRecorder.h"

using namespace MenuProbe;

namespace {
TrayMenuState::Pet pet(const QString &id, const QString &name)
{
    PetPackage package { FrameAtlas::manifest(), QStringLiteral("/pets/") + id };
    package.manifest.id = id;
    package.manifest.displayName = name;
    return { package, name };
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QMenu *sub(QMenu *menu, const QString &path)
{
    for (const QString &title : path.split(u'/', Qt::SkipEmptyParts))
        menu = submenu(menu, title);
    return menu;
}
}

// The menu built from a state, and what its items ask for. Runs without a system tray.
class TestTrayMenu : public QObject {
    Q_OBJECT

private:
    TrayMenuState m_state;

private slots:
    void init()
    {
        m_state = {};
        m_state.library = { pet("frame-atlas", "Atlas"), pet("other", "Salt & Pepper") };
    }
    void cleanup() { flushDeletes(); }

    void topLevelItemsDependOnThePet()
    {
        TrayMenu tray;
        m_state.library.clear();
        tray.setState(m_state);
        auto menu = tray.buildMenu();
        const QStringList common { "Library", "-", "Import Pet Folder…", "Import Pet .zip…", "-", "Preferences…", "-",
            "Quit Tamsel" };
        QCOMPARE(titles(menu.get()), QStringList({ "No pet loaded", "-" }) + common);
        QVERIFY(!menu->actions().first()->isEnabled());
        QCOMPARE(titles(sub(menu.get(), "Library")), QStringList { "No pets imported" });

        m_state.active = pet("frame-atlas", "Mochi & Co");
        tray.setState(m_state);
        menu = tray.buildMenu();
        QCOMPARE(titles(menu.get()),
            QStringList({ "Mochi && Co", "-", "Show Pet", "Animation", "Speed", "Scale", "Behavior", "-" }) + common);
        // Without a tray nothing could bring a hidden pet back.
        m_state.petShown = true;
        tray.setState(m_state);
        QVERIFY(!tray.trayIcon());
        QCOMPARE(titles(tray.buildMenu().get()).at(2), QStringLiteral("Animation"));

        // A name from a package is shown on one line and cut short.
        m_state.active->name = QStringLiteral("Two\nlines") + QString(200, u'x');
        tray.setState(m_state);
        const QString title = tray.buildMenu()->actions().first()->text();
        QCOMPARE(title.size(), TrayMenu::maxTitleLength);
        QVERIFY(title.startsWith(QStringLiteral("Two lines")) && title.endsWith(QChar(0x2026)));
    }

    void animationRowsAreListedByNameOrFrameCount()
    {
        TrayMenu tray;
        m_state.active = m_state.library.first();
        const QString standard = QStringLiteral("Default · Loop (Row 0)");
        const auto animationTitles = [&] {
            tray.setState(m_state);
            return titles(sub(tray.buildMenu().get(), "Animation"));
        };
        QCOMPARE(animationTitles(), QStringList({ standard, "-", "No animation rows detected" }));
        m_state.rows = { { 0, {}, 3 } };
        QCOMPARE(animationTitles(), QStringList({ standard, "-" }));

        // A padded name, a blank one, and unnamed rows of one and of three frames.
        m_state.rows = { { 0, {}, 2 }, { 1, QStringLiteral(" \tWave  "), 4 }, { 3, QStringLiteral("   "), 2 },
            { 4, {}, 1 }, { 5, {}, 3 } };
        m_state.pinnedRow = 4;
        QCOMPARE(animationTitles(),
            QStringList({ standard, "-", "Wave", "Animation 4 · 2 frames", "Animation 5 · 1 frame",
                "Animation 6 · 3 frames" }));
        QCOMPARE(checked(sub(tray.buildMenu().get(), "Animation")), QStringList { "Animation 5 · 1 frame" });
        m_state.pinnedRow.reset();
        tray.setState(m_state);
        QCOMPARE(checked(sub(tray.buildMenu().get(), "Animation")), QStringList { standard });

        // A tall atlas of thin rows lists a bounded number of them.
        m_state.rows.clear();
        for (qint64 row = 0; row < TrayMenu::maxListedRows + 3; ++row)
            m_state.rows.append({ row, {}, 1 });
        const QStringList listed = animationTitles();
        QCOMPARE(listed.size(), 2 + TrayMenu::maxListedRows + 1);
        QCOMPARE(listed.last(), QStringLiteral("2 more rows not listed"));
    }

    void marksFollowTheState()
    {
        TrayMenu tray;
        m_state.active = m_state.library.first();
        m_state.speed = 0.755;
        m_state.scale = 1.2; // between two items: nothing marked
        m_state.mode = BehaviorMode::Busy;
        tray.setState(m_state);
        auto menu = tray.buildMenu();
        QCOMPARE(titles(sub(menu.get(), "Speed")), QStringList({ "0.5×", "0.75×", "1×", "1.5×" }));
        QCOMPARE(titles(sub(menu.get(), "Scale")), QStringList({ "25%", "50%", "75%", "100%", "150%", "200%" }));
        QCOMPARE(checked(sub(menu.get(), "Speed")), QStringList { "0.75×" });
        QCOMPARE(checked(sub(menu.get(), "Scale")), QStringList());
        QCOMPARE(checked(sub(menu.get(), "Behavior")), QStringList { "Busy" });
        QCOMPARE(checked(sub(menu.get(), "Library")), QStringList { "Atlas" });
        QCOMPARE(titles(sub(menu.get(), "Library/Salt && Pepper")),
            QStringList({ "Switch to Salt && Pepper", "Show in File Manager", "-", "Delete Salt && Pepper…" }));
        QVERIFY(!item(sub(menu.get(), "Library/Atlas"), "Switch to Atlas")->isEnabled());
        QVERIFY(item(sub(menu.get(), "Library/Salt && Pepper"), "Switch to Salt && Pepper")->isEnabled());
    }

    void itemsAskOnlyWithTheirValues()
    {
        TrayMenu tray;
        TrayMenuRecorder recorder(tray);
        m_state.active = m_state.library.first();
        m_state.rows = { { 0, {}, 1 }, { 1, {}, 2 } };
        tray.setState(m_state);
        const auto menu = tray.buildMenu();
        const QStringList paths { "Speed/1.5×", "Scale/200%", "Behavior/Still", "Animation/Animation 2 · 2 frames",
            "Animation/Default · Loop (Row 0)", "Show Pet", "Library/Salt && Pepper/Switch to Salt && Pepper",
            "Library/Salt && Pepper/Show in File Manager", "Library/Salt && Pepper/Delete Salt && Pepper…",
            "Import Pet Folder…", "Import Pet .zip…", "Preferences…", "Quit Tamsel" };
        for (const QString &path : paths)
            item(sub(menu.get(), path.section(u'/', 0, -2)), path.section(u'/', -1))->trigger();
        QCOMPARE(recorder.calls,
            QStringList({ "speedChosen 1.5", "scaleChosen 2", "mode still", "rowPinned 1", "pinCleared", "show",
                "petSwitchRequested other", "petRevealRequested other", "petDeleteRequested other",
                "importFolderRequested", "importZipRequested", "preferencesRequested", "quitRequested" }));

        // Items whose value is missing, of another type or out of range ask nothing.
        recorder.calls.clear();
        for (const QString &path : paths.mid(0, 4) + paths.mid(6, 3)) {
            QAction *action = item(sub(menu.get(), path.section(u'/', 0, -2)), path.section(u'/', -1));
            for (const QVariant &bad :
                { QVariant(), QVariant(QStringLiteral("x")), QVariant(-1.0), QVariant::fromValue<qint64>(-3) }) {
                action->setData(bad);
                action->trigger();
            }
        }
        QCOMPARE(recorder.calls, QStringList());
    }

    void withoutATrayLooksAgainAtMostOnceAMinute()
    {
        TrayMenu tray;
        QList<int> waits;
        for (int check = 0; check < 8; ++check) {
            waits << tray.trayCheckTimer().interval();
            tray.checkForTray();
        }
        QCOMPARE(waits, QList<int>({ 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000 }));
        QVERIFY(tray.trayCheckTimer().isSingleShot() && tray.trayCheckTimer().isActive());
    }

    void openMenusAreNotDeletedUnderTheUser()
    {
        TrayMenu tray;
        const QPointer<QMenu> open = tray.trayMenu();
        open->popup(QPoint(10, 10));
        tray.setState(m_state);
        flushDeletes();
        QVERIFY(open && open->isVisible());
        open->hide();
        flushDeletes();
        QVERIFY(!open);

        tray.popUpContextMenu(QPoint(20, 20));
        const QPointer<QMenu> first = tray.contextMenu();
        QVERIFY(first && first->isVisible());
        tray.popUpContextMenu(QPoint(30, 30));
        flushDeletes();
        QVERIFY(!first && tray.contextMenu()->isVisible());
    }

    void pawIconHasEverySizeAndFallsBack()
    {
        const QImage small = PawIcon::icon().pixmap(QSize(16, 16)).toImage();
        QCOMPARE(PawIcon::icon().availableSizes().size(), 6);
        QVERIFY(small.pixelColor(0, 0).alpha() == 0 && small.pixelColor(8, 11).alpha() == 255);
        QVERIFY(!PawIcon::icon(QStringLiteral("/nonexistent/missing-")).isNull());
    }
};

TAMSEL_TEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
