#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <csignal>

// The real program on the session's desktop, driven with xdotool like a person would: it applies
// its launch steps, the cat appears on a transparent background, a click plays a row, a drag moves
// it and the new position is saved; it quits cleanly on SIGINT (the other sessions end it with
// SIGTERM).
class TestPetDesktop : public QObject {
    Q_OBJECT

public:
    explicit TestPetDesktop(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static QString xdotool(const QStringList &arguments) { return DesktopProbe::xdotool(arguments); }
    static QRect petGeometry(const QString &window) { return DesktopProbe::geometry(window); }

    TestEnvironment *m_env;
    RunningProgram m_program;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs the headless desktop session (make test)");
        {
            QSettings settings(m_env->settingsFilePath(), QSettings::IniFormat);
            // A pet that strolls off on its own would spoil the drag's measurements.
            settings.setValue("tam.behaviorMode", "still");
            settings.setValue("tam.groqModel", "groq/compound");
        }
        QVERIFY(m_program.start({ "QT_LOGGING_RULES=tamsel.trace.debug=true" }));
    }

    void cleanupTestCase()
    {
        if (!m_program.isRunning())
            return;
        const QString problem = m_program.stop(SIGINT);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void launchSwitchesOffAModelThatCannotCallTools()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_program.log().contains("Switching off groq/compound: it cannot call tools."), 15000);
        const auto model = [this] {
            return QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.groqModel").toString();
        };
        QTRY_COMPARE(model(), QString("openai/gpt-oss-120b"));
    }

    void catAppearsOnATransparentBackgroundAndAnswersTheMouse()
    {
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = DesktopProbe::petWindow()).isEmpty(), 20000);
        QRect frame;
        QTRY_VERIFY_WITH_TIMEOUT((frame = petGeometry(window)).width() > 0, 10000);
        QCOMPARE(frame.size(), QSize(96, 104));

        // Transparent where the cell is empty, the cat where it is not: a corner of the window shows
        // the same colour as the desktop beside it, its middle does not.
        QImage shot;
        const auto catPixels = [&shot, frame] {
            shot = QGuiApplication::primaryScreen()
                       ->grabWindow(0, frame.x() - 4, frame.y(), frame.width() + 8, frame.height())
                       .toImage();
            int count = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 4; x < shot.width() - 4; ++x)
                    count += shot.pixel(x, y) != shot.pixel(1, 2);
            return count;
        };
        QTRY_VERIFY_WITH_TIMEOUT(catPixels() > 500, 5000); // once the first frame is painted
        QCOMPARE(shot.pixel(5, 2), shot.pixel(1, 2));
        shot.save(QDir(TAMSEL_BINARY_DIR).filePath("e2e-pet.png"));

        // A click on the cat's body plays one of its other rows once. The first frame comes before
        // the rest of the atlas (a moment, seconds under ASan), and the cat answers the mouse once
        // it has loaded: a click before that is clicked again, as a person would.
        const QPoint body = frame.topLeft() + QPoint(frame.width() / 2, frame.height() * 2 / 3);
        xdotool({ "mousemove", QString::number(body.x()), QString::number(body.y()) });
        const QRegularExpression once("playing row [1-9]\\d* once");
        for (int attempt = 0; attempt < 15 && !once.match(m_program.log()).hasMatch(); ++attempt) {
            xdotool({ "click", "1" });
            if (QTest::qWaitFor([&] { return once.match(m_program.log()).hasMatch(); }, 1000))
                break;
        }
        QVERIFY(once.match(m_program.log()).hasMatch());
        // It ends by going back to a looping row.
        const auto backToLoop = [this, &once] {
            const QString log = QString::fromUtf8(m_program.log());
            return log.indexOf(QLatin1String(" looping"), once.match(log).capturedEnd()) >= 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(backToLoop(), 5000);

        // A drag moves the window with the pointer and the new place is saved when it ends. It
        // starts further from the click than a double-click may stray.
        const QPoint grip = body - QPoint(0, 8);
        xdotool({ "mousemove", QString::number(grip.x()), QString::number(grip.y()) });
        xdotool({ "mousedown", "1" });
        for (int step = 1; step <= 8; ++step)
            xdotool({ "mousemove", QString::number(grip.x() + step * 10), QString::number(grip.y() + step * 5) });
        xdotool({ "mouseup", "1" });
        QRect moved;
        QTRY_VERIFY_WITH_TIMEOUT((moved = petGeometry(window)).topLeft() == frame.topLeft() + QPoint(80, 40), 5000);
        const auto savedPosition = [this] {
            QSettings settings(m_env->settingsFilePath(), QSettings::IniFormat);
            return QPoint(settings.value("tam.lastPositionX").toInt(), settings.value("tam.lastPositionY").toInt());
        };
        QTRY_COMPARE_WITH_TIMEOUT(savedPosition(), moved.topLeft(), 5000);
    }
};

TAMSEL_TEST_MAIN(TestPetDesktop)
#include "tst_petdesktop.moc"
