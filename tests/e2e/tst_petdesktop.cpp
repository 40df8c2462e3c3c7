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

// The real program on the session's desktop, driven with xdotool like a person would: the cat
// appears on a transparent background, a click plays a row, a drag moves it and the new position
// is saved.
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
        // A pet that strolls off on its own would spoil the drag's measurements.
        QSettings(m_env->settingsFilePath(), QSettings::IniFormat).setValue("tam.behaviorMode", "still");
        QVERIFY(m_program.start({ "QT_LOGGING_RULES=tamsel.trace.debug=true" }));
    }

    void cleanupTestCase()
    {
        if (!m_program.isRunning())
            return;
        const QString problem = m_program.stop();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
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
        QTest::qWait(500);
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x() - 4, frame.y(), frame.width() + 8, frame.height())
                                .toImage();
        const QRgb desktop = shot.pixel(1, 2);
        QCOMPARE(shot.pixel(5, 2), desktop);
        int catPixels = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 4; x < shot.width() - 4; ++x)
                catPixels += shot.pixel(x, y) != desktop;
        QVERIFY2(catPixels > 500, qPrintable(QString::number(catPixels)));
        shot.save(QDir(TAMSEL_BINARY_DIR).filePath("e2e-pet.png"));

        // A click on the cat's body plays one of its other rows once.
        const QPoint body = frame.topLeft() + QPoint(frame.width() / 2, frame.height() * 2 / 3);
        xdotool({ "mousemove", QString::number(body.x()), QString::number(body.y()) });
        xdotool({ "click", "1" });
        QTRY_VERIFY_WITH_TIMEOUT(
            QRegularExpression("playing row [1-9]\\d* once").match(m_program.log()).hasMatch(), 5000);

        // A drag moves the window with the pointer and the new place is saved when it ends.
        QTest::qWait(1500); // let the one-shot end and the double-click interval pass
        xdotool({ "mousedown", "1" });
        for (int step = 1; step <= 8; ++step) {
            xdotool({ "mousemove", QString::number(body.x() + step * 10), QString::number(body.y() + step * 5) });
            QTest::qWait(30);
        }
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
