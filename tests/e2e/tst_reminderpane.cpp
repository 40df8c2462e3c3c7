#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QSettings>
#include <QStandardPaths>

// A reminder added in the real program's Reminders pane, the way a person would, fires on screen:
// an every-minute reminder is due at once, so its speech bubble appears within a check or two.
class TestReminderPaneDesktop : public QObject {
    Q_OBJECT

public:
    explicit TestReminderPaneDesktop(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static QString xdotool(const QStringList &arguments) { return DesktopProbe::xdotool(arguments); }
    static QString find(const QString &name)
    {
        return xdotool({ "search", "--onlyvisible", "--name", name }).section('\n', 0, 0);
    }
    static int visibleWindows()
    {
        return static_cast<int>(
            xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts).size());
    }

    TestEnvironment *m_env;
    RunningProgram m_program;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs the headless desktop session (make test)");
        QSettings(m_env->settingsFilePath(), QSettings::IniFormat).setValue("tam.behaviorMode", "still");
        QVERIFY(m_program.start());
    }

    void cleanupTestCase()
    {
        if (m_program.isRunning())
            QVERIFY(m_program.stop().isEmpty());
    }

    void aReminderAddedInThePaneFiresOnScreen()
    {
        QString pet;
        QTRY_VERIFY_WITH_TIMEOUT(!(pet = DesktopProbe::petWindow()).isEmpty(), 20000);
        QString tray;
        QTRY_VERIFY_WITH_TIMEOUT(!(tray = DesktopProbe::trayIcon(pet)).isEmpty(), 10000);
        // Out of the way of the preferences window.
        xdotool({ "windowmove", pet, "1100", "600" });
        int before = visibleWindows();
        xdotool({ "mousemove", "--window", tray, "8", "8", "click", "1" });
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows() > before, 5000);
        xdotool({ "key", "--delay", "100", "Up", "Up", "Return" });
        QString preferences;
        QTRY_VERIFY_WITH_TIMEOUT(!(preferences = find("tamsel Preferences")).isEmpty(), 5000);
        QTRY_VERIFY(DesktopProbe::geometry(preferences).width() > 0);

        // Reminders is the fourth section; Tab goes to the title. Then the repeat menu's second
        // entry (Every minute), the Wave tile (row 3), and Return in the title adds it.
        const auto click = [&](int x, int y) {
            xdotool({ "mousemove", "--window", preferences, QString::number(x), QString::number(y), "click", "1" });
        };
        click(80, 91 + 3 * 34);
        xdotool({ "key", "--delay", "100", "Tab" });
        xdotool({ "type", "--delay", "30", "Feed the fish" });
        before = visibleWindows();
        click(569, 307);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows() > before, 5000);
        xdotool({ "key", "--delay", "100", "Down", "Return" });
        click(567, 408);
        click(519, 188);
        xdotool({ "key", "Return" });

        QTRY_VERIFY_WITH_TIMEOUT(!find("Tamsel speech bubble").isEmpty(), 15000);
        // The program writes its settings in bursts, a moment after the change.
        QByteArray stored;
        const auto recorded = [&] {
            stored = QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.reminders").toByteArray();
            return stored.contains("\"title\":\"Feed the fish\"") && stored.contains("\"repeats\":\"everyMinute\"")
                && stored.contains("\"animationRow\":3") && stored.contains("\"lastFiredAt\"");
        };
        QTRY_VERIFY2_WITH_TIMEOUT(recorded(), stored.constData(), 5000);
    }
};

TAMSEL_TEST_MAIN(TestReminderPaneDesktop)
#include "tst_reminderpane.moc"
