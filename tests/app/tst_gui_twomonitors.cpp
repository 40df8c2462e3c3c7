#include "app/AskCoordinator.h"
#include "app/BehaviorDirector.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"
#include "platform/linux/X11ScreenCapturer.h"

#include "support/AppHarness.h"
#include "support/DesktopProbe.h"
#include "support/TestMain.h"

#include <QDir>
#include <QScreen>
#include <QWidget>

using DesktopProbe::xdotool;

// The pet on two monitors side by side, A (primary, left) and B (right), each 1280 × 800: RandR
// monitors on one 2560 × 800 X screen, as the session with HEADLESS_MONITORS=2 sets them up.
class TestTwoMonitors : public QObject {
    Q_OBJECT

public:
    explicit TestTwoMonitors(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    static QScreen *screenAt(int x) { return QGuiApplication::screenAt(QPoint(x, 400)); }

    static void setMonitorB(bool plugged)
    {
        const QStringList arguments = plugged ? QStringList { "--setmonitor", "B", "1280/338x800/211+1280+0", "none" }
                                              : QStringList { "--delmonitor", "B" };
        DesktopProbe::run("xrandr", arguments);
        QTRY_COMPARE(QGuiApplication::screens().size(), plugged ? 2 : 1);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QVERIFY(screenAt(100) && screenAt(2000) && screenAt(100) != screenAt(2000));
    }
    void init() { m_env->reset(); }
    void cleanup() { setMonitorB(true); }

    void petLivesOnTheMonitorItWasDraggedTo()
    {
        AppHarness app(m_env);
        app.settings.setBehaviorMode(BehaviorMode::Still);
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        QWidget *window = app.pet().window().window();
        window->move(1000, 500);
        QTRY_COMPARE(window->pos(), QPoint(1000, 500));

        // A drag with the pointer carries it across the border onto B.
        const QPoint grip = window->geometry().center();
        xdotool({ "mousemove", QString::number(grip.x()), QString::number(grip.y()) });
        xdotool({ "mousedown", "1" });
        for (int step = 1; step <= 8; ++step)
            xdotool({ "mousemove", QString::number(grip.x() + step * 50), QString::number(grip.y()) });
        xdotool({ "mouseup", "1" });
        QTRY_COMPARE(window->pos(), QPoint(1400, 500));
        QCOMPARE(app.pet().window().screen(), screenAt(2000));

        // A stroll walks within B: from 60 points inside its left edge, 258 points to the left
        // end at the border, not on A.
        window->move(1340, 500);
        QTRY_COMPARE(window->x(), 1340);
        BehaviorEngine &engine = app.pet().behavior().engine();
        app.random.setScript({ 0.0, 0.0, 0.9, 0.99 });
        engine.heartbeatFired();
        QCOMPARE(engine.strollDirection(), -1.0);
        for (int i = 0; i < 500 && engine.isStrolling(); ++i) {
            app.clock.advanceMs(16);
            engine.strollTick();
        }
        QTRY_COMPARE(window->x(), 1280);

        // The bubble and the Ask prompt keep their margins from B's left edge, not A's.
        app.coordinator->speechBubble().show("I live on this side now", std::chrono::seconds(30));
        QWidget *bubble = app.coordinator->speechBubble().view();
        QTRY_VERIFY(bubble->isVisible());
        QCOMPARE(bubble->x(), 1284);
        app.coordinator->toggleAskPrompt();
        QVERIFY(app.coordinator->ask().isOpen());
        QCOMPARE(app.coordinator->ask().prompt().panel()->x() + AskPromptPanel::shadowMargin, 1288);
        app.coordinator->toggleAskPrompt();

        // The full-screen screenshot holds both monitors in their layout: the desktop's colour
        // on both, the bubble's dark body on B.
        const QPoint inBubble = bubble->geometry().center() + QPoint(0, 6);
        QImage shot;
        QTRY_VERIFY(qGray((shot = X11ScreenCapturer::grabVirtualDesktop()).pixel(inBubble)) < 60);
        QCOMPARE(shot.size(), QSize(2560, 800));
        QVERIFY(qGray(shot.pixel(600, 100)) > 60);
        QCOMPARE(shot.pixel(2400, 100), shot.pixel(600, 100));
        // docs/two-monitors.png is made from this picture.
        QVERIFY(shot.save(QDir(TAMSEL_BINARY_DIR).filePath("two-monitors.png")));

        // Unplugging B brings the pet onto A, with its bubble.
        setMonitorB(false);
        const QRect onA = screenAt(100)->availableGeometry();
        QTRY_VERIFY(onA.contains(window->geometry()));
        QTRY_VERIFY(bubble->geometry().intersects(onA));
    }

    void savedPlaceOnAGoneMonitorLandsOnThePrimary()
    {
        setMonitorB(false);
        AppHarness app(m_env);
        app.settings.setLastPosition(QPointF(1800, 300));
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        QVERIFY(
            QGuiApplication::primaryScreen()->availableGeometry().contains(app.pet().window().window()->geometry()));
    }
};

TAMSEL_TEST_MAIN(TestTwoMonitors)
#include "tst_gui_twomonitors.moc"
