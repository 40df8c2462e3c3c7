#include "tray/MenuBarController.h"

#include "support/FakeMenuDelegate.h"
#include "support/FrameAtlas.h"
#include "support/MenuProbe.h"
#include "support/TestMain.h"

#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

using namespace MenuProbe;

// The tray icon in a real system tray (the session's trayer), clicked and driven with xdotool the
// way a person would. TAMSEL_SCREENSHOT_DIR, when set, receives a picture of the open menu.
class TestGuiTrayMenu : public QObject {
    Q_OBJECT

public:
    explicit TestGuiTrayMenu(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static void xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        QVERIFY2(process.waitForFinished(10000), qPrintable(arguments.join(u' ')));
        QCOMPARE(process.exitCode(), 0);
    }

    static void clickAt(QPoint global, int button = 1)
    {
        xdotool({ "mousemove", QString::number(global.x()), QString::number(global.y()) });
        QTest::qWait(100);
        xdotool({ "click", QString::number(button) });
    }

    static QPoint centreOf(QMenu *menu, QAction *action)
    {
        return menu->mapToGlobal(menu->actionGeometry(action).center());
    }

    TestEnvironment *m_env;
    std::unique_ptr<FakeMenuDelegate> m_delegate;
    std::unique_ptr<MenuBarController> m_controller;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs the headless desktop session (scripts/headless-session.sh)");
        m_delegate = std::make_unique<FakeMenuDelegate>(m_env->settingsFilePath());
        PetPackage pet;
        pet.manifest = FrameAtlas::manifest();
        pet.folderPath = m_env->home();
        PetPackage other = pet;
        other.manifest.id = QStringLiteral("moss");
        other.manifest.displayName = QStringLiteral("Moss");
        m_delegate->library = { pet, other };
        m_delegate->current = pet;
        m_delegate->decoder = FrameAtlas::decoder({ 2, 4, 3, 1 });
        m_delegate->maps().setMapping(pet.id(), 1, { QStringLiteral("Wave"), {} });
        m_controller = std::make_unique<MenuBarController>(m_delegate.get());
    }

    void cleanupTestCase()
    {
        m_controller.reset();
        m_delegate.reset();
    }

    void iconIsEmbeddedInTheTray()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayIcon(), 10000);
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
        QCOMPARE(m_controller->trayIcon()->toolTip(), QStringLiteral("Tamsel"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->trayIcon()->geometry().isEmpty(), 10000);
    }

    void clickingTheIconOpensTheMenuAndAnItemReachesTheDelegate()
    {
        QSystemTrayIcon *icon = m_controller->trayIcon();
        QVERIFY(icon);
        // The tray lays its icons out again after embedding one; click only once the place holds.
        QRect iconGeometry;
        for (int tries = 0; tries < 20 && iconGeometry != icon->geometry(); ++tries) {
            iconGeometry = icon->geometry();
            QTest::qWait(300);
        }
        QVERIFY(!iconGeometry.isEmpty());
        clickAt(iconGeometry.center());
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayMenu() && m_controller->trayMenu()->isVisible(), 5000);
        const QPointer<QMenu> menu = m_controller->trayMenu();
        QCOMPARE(titles(menu).first(), QStringLiteral("Frame Atlas"));

        // Open Speed ▸ by clicking it, then choose 1.5×.
        clickAt(centreOf(menu, item(menu, "Speed")));
        QMenu *speed = submenu(menu, "Speed");
        QTRY_VERIFY_WITH_TIMEOUT(speed->isVisible(), 5000);
        QTest::qWait(200);

        const QString directory = qEnvironmentVariable("TAMSEL_SCREENSHOT_DIR");
        if (!directory.isEmpty()) {
            const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const QRect around
                = menu->geometry().united(speed->geometry()).united(iconGeometry).adjusted(-24, -24, 24, 24);
            QVERIFY(shot.copy(around).save(QDir(directory).filePath(QStringLiteral("tray-menu.png"))));
        }

        clickAt(centreOf(speed, item(speed, "1.5×")));
        QTRY_COMPARE_WITH_TIMEOUT(m_delegate->calls, QStringList { "applyPlaybackSpeed 1.5" }, 5000);
        // The chosen menu is closed and deleted; the installed one is marked with the new speed.
        QTRY_VERIFY_WITH_TIMEOUT(!menu, 5000);
        QCOMPARE(checked(submenu(m_controller->trayMenu(), "Speed")), QStringList { "1.5×" });
    }

    void rightClickOpensTheSameMenu()
    {
        m_delegate->calls.clear();
        clickAt(m_controller->trayIcon()->geometry().center(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayMenu()->isVisible(), 5000);
        xdotool({ "key", "Escape" });
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->trayMenu()->isVisible(), 5000);
        QCOMPARE(m_delegate->calls, QStringList());
    }

    void contextMenuIsDrivenByTheKeyboard()
    {
        m_delegate->calls.clear();
        xdotool({ "mousemove", "400", "300" });
        m_controller->popUpContextMenu(QPoint(400, 300));
        const QPointer<QMenu> menu = m_controller->contextMenu();
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
        QTest::qWait(200);
        // From the top, Up wraps round to the last item.
        xdotool({ "key", "Up", "Return" });
        QTRY_COMPARE_WITH_TIMEOUT(m_delegate->calls, QStringList { "quit" }, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!menu || !menu->isVisible(), 5000);
    }
};

TAMSEL_TEST_MAIN(TestGuiTrayMenu)
#include "tst_gui_traymenu.moc"
