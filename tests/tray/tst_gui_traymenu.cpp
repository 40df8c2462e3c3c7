#include "tray/TrayMenu.h"

#include "support/FrameAtlas.h"
#include "support/MenuProbe.h"
#include "support/TestMain.h"
#include "support/TrayMenuRecorder.h"

#include <QApplication>
#include <QCursor>

#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

using namespace MenuProbe;

// The tray icon in a real system tray (the session's trayer), clicked and driven with xdotool the
// way a person would. TAMSEL_SCREENSHOT_DIR, when set, receives a picture of the open menu.
class TestGuiTrayMenu : public QObject {
    Q_OBJECT

private:
    static void xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        QVERIFY2(process.waitForFinished(10000), qPrintable(arguments.join(u' ')));
        QCOMPARE(process.exitCode(), 0);
    }

    static void clickAt(QPoint global)
    {
        xdotool({ "mousemove", QString::number(global.x()), QString::number(global.y()) });
        QTRY_COMPARE(QCursor::pos(), global);
        xdotool({ "click", "1" });
    }

    static QPoint centreOf(QMenu *menu, QAction *action)
    {
        return menu->mapToGlobal(menu->actionGeometry(action).center());
    }

    std::unique_ptr<TrayMenu> m_controller;
    std::unique_ptr<TrayMenuRecorder> m_recorder;
    TrayMenuState m_state;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs the headless desktop session (scripts/headless-session.sh)");
        PetPackage pet { FrameAtlas::manifest(), QStringLiteral("/pets/frame-atlas") };
        PetPackage other = pet;
        other.manifest.id = QStringLiteral("moss");
        m_state.library = { { pet, pet.manifest.displayName }, { other, QStringLiteral("Moss") } };
        m_state.active = m_state.library.first();
        m_state.petShown = true;
        m_state.rows = { { 0, {}, 2 }, { 1, QStringLiteral("Wave"), 4 }, { 2, {}, 3 }, { 3, {}, 1 } };
        m_controller = std::make_unique<TrayMenu>();
        m_controller->setState(m_state);
        m_recorder = std::make_unique<TrayMenuRecorder>(*m_controller);
        // As the program does: a choice comes back as a new state.
        connect(m_controller.get(), &TrayMenu::speedChosen, this, [this](double speed) {
            m_state.speed = speed;
            m_controller->setState(m_state);
        });
    }

    void cleanupTestCase()
    {
        m_recorder.reset();
        m_controller.reset();
    }

    void iconIsEmbeddedInTheTray()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayIcon(), 10000);
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
        QCOMPARE(m_controller->trayIcon()->toolTip(), QStringLiteral("Tamsel"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->trayIcon()->geometry().isEmpty(), 10000);
    }

    void clickingTheIconOpensTheMenuAndAnItemAsks()
    {
        QSystemTrayIcon *icon = m_controller->trayIcon();
        QVERIFY(icon);
        // The tray lays its icons out again after embedding one; click only once the place holds.
        QRect iconGeometry;
        int steadyChecks = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                steadyChecks = icon->geometry() == iconGeometry ? steadyChecks + 1 : 0;
                iconGeometry = icon->geometry();
                return steadyChecks >= 30 && !iconGeometry.isEmpty();
            },
            10000));
        clickAt(iconGeometry.center());
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayMenu() && m_controller->trayMenu()->isVisible(), 5000);
        const QPointer<QMenu> menu = m_controller->trayMenu();
        QCOMPARE(titles(menu).first(), QStringLiteral("Frame Atlas"));

        // Open Speed ▸ by clicking it, then choose 1.5×.
        clickAt(centreOf(menu, item(menu, "Speed")));
        QMenu *speed = submenu(menu, "Speed");
        QTRY_VERIFY_WITH_TIMEOUT(speed->isVisible() && !speed->geometry().isEmpty(), 5000);

        const QString directory = qEnvironmentVariable("TAMSEL_SCREENSHOT_DIR");
        if (!directory.isEmpty()) {
            const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const QRect around
                = menu->geometry().united(speed->geometry()).united(iconGeometry).adjusted(-24, -24, 24, 24);
            QVERIFY(shot.copy(around).save(QDir(directory).filePath(QStringLiteral("tray-menu.png"))));
        }

        clickAt(centreOf(speed, item(speed, "1.5×")));
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->calls, QStringList { "speedChosen 1.5" }, 5000);
        // The chosen menu is closed and deleted; the installed one is marked with the new speed.
        QTRY_VERIFY_WITH_TIMEOUT(!menu, 5000);
        QCOMPARE(checked(submenu(m_controller->trayMenu(), "Speed")), QStringList { "1.5×" });
    }

    void contextMenuIsDrivenByTheKeyboard()
    {
        m_recorder->calls.clear();
        xdotool({ "mousemove", "400", "300" });
        m_controller->popUpContextMenu(QPoint(400, 300));
        const QPointer<QMenu> menu = m_controller->contextMenu();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTRY_COMPARE(QApplication::activePopupWidget(), menu.data());
        // From the top, Up wraps round to the last item.
        xdotool({ "key", "Up", "Return" });
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->calls, QStringList { "quitRequested" }, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!menu || !menu->isVisible(), 5000);
    }
};

TAMSEL_TEST_MAIN(TestGuiTrayMenu)
#include "tst_gui_traymenu.moc"
