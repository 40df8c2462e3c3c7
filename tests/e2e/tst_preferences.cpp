#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

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

    // A visible window of the program besides the pet: the tray icon (small) or the menu (not).
    static QString programWindow(const QString &pet, bool small)
    {
        for (const QString &window :
            xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts)) {
            const int width = DesktopProbe::geometry(window).width();
            if (window != pet && width > 0 && (width <= 48) == small)
                return window;
        }
        return {};
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
        QTRY_VERIFY_WITH_TIMEOUT(!(tray = programWindow(pet, true)).isEmpty(), 10000);

        // The menu opens at its top; one step up wraps to "Quit Tamsel", the next is "Preferences…".
        xdotool({ "mousemove", "--window", tray, "8", "8", "click", "1" });
        QTRY_VERIFY_WITH_TIMEOUT(!programWindow(pet, false).isEmpty(), 5000);
        xdotool({ "key", "--delay", "100", "Up", "Up", "Return" });
        QString preferences;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(preferences = xdotool({ "search", "--onlyvisible", "--name", "tamsel Preferences" })).isEmpty(), 5000);

        // Window is the fifth row of the section list; the pane's first control is the scale, at 0.5×,
        // and three steps right is 1.5×.
        QTRY_VERIFY(DesktopProbe::geometry(preferences).width() > 0);
        xdotool({ "mousemove", "--window", preferences, "80", QString::number(91 + 4 * 34), "click", "1" });
        xdotool({ "key", "--delay", "60", "Tab", "Right", "Right", "Right" });
        QTRY_COMPARE_WITH_TIMEOUT(DesktopProbe::geometry(pet).size(), QSize(288, 312), 1000);
        const QRect after = DesktopProbe::geometry(pet);
        QVERIFY2((after.center() - before.center()).manhattanLength() <= 3, "the pet's centre moved");
        QTRY_COMPARE(QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.scale").toDouble(), 1.5);
    }
};

TAMSEL_TEST_MAIN(TestPreferencesDesktop)
#include "tst_preferences.moc"
