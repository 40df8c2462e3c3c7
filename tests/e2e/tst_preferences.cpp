#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>

#include <csignal>

// The real program's preferences, reached the way a person would: the tray icon's menu opens the
// window, and a scale chosen in the Window pane resizes the pet around its centre and is saved.
class TestPreferencesDesktop : public QObject {
    Q_OBJECT

public:
    explicit TestPreferencesDesktop(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static QString xdotool(const QStringList &arguments) { return DesktopProbe::xdotool(arguments); }

    // The tray icon: the program's small embedded window.
    static QString trayIcon()
    {
        for (const QString &window : xdotool({ "search", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts)) {
            const QRect frame = DesktopProbe::geometry(window);
            if (frame.width() > 0 && frame.width() <= 48 && frame.height() <= 48)
                return window;
        }
        return {};
    }

    // Any other window of the program than the pet and the tray icon: the popped-up menu.
    static bool menuIsOpen(const QString &pet)
    {
        for (const QString &window :
            xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts)) {
            if (window != pet && DesktopProbe::geometry(window).width() > 48)
                return true;
        }
        return false;
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

    void trayOpensPreferencesWhereAScaleResizesThePet()
    {
        QString pet;
        QTRY_VERIFY_WITH_TIMEOUT(!(pet = DesktopProbe::petWindow()).isEmpty(), 20000);
        QRect before;
        QTRY_VERIFY_WITH_TIMEOUT((before = DesktopProbe::geometry(pet)).width() > 0, 10000);
        QCOMPARE(before.size(), QSize(96, 104));
        QString tray;
        QTRY_VERIFY_WITH_TIMEOUT(!(tray = trayIcon()).isEmpty(), 10000);

        // The menu opens at its top; one step up wraps to "Quit Tamsel", the next is "Preferences…".
        xdotool({ "mousemove", "--window", tray, "8", "8", "click", "1" });
        QTRY_VERIFY_WITH_TIMEOUT(menuIsOpen(pet), 5000);
        xdotool({ "key", "--delay", "100", "Up", "Up", "Return" });
        QString preferences;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(preferences = xdotool({ "search", "--onlyvisible", "--name", "tamsel Preferences" })).isEmpty(), 5000);

        // Window is the fifth row of the section list; the pane's first control is the scale, at 0.5×,
        // and three steps right is 1.5×.
        QTRY_VERIFY(DesktopProbe::geometry(preferences).width() > 0);
        xdotool({ "mousemove", "--window", preferences, "80", QString::number(91 + 4 * 34), "click", "1" });
        xdotool({ "key", "--delay", "60", "Tab", "Right", "Right", "Right" });
        QElapsedTimer chosen;
        chosen.start();
        const QSize expected(288, 312);
        QTRY_COMPARE_WITH_TIMEOUT(DesktopProbe::geometry(pet).size(), expected, 1000);
        QVERIFY2(chosen.elapsed() <= 1000, "the pet took longer than a second to resize");
        const QRect after = DesktopProbe::geometry(pet);
        QVERIFY2((after.center() - before.center()).manhattanLength() <= 3, "the pet's centre moved");
        QTRY_COMPARE(QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.scale").toDouble(), 1.5);
    }
};

TAMSEL_TEST_MAIN(TestPreferencesDesktop)
#include "tst_preferences.moc"
