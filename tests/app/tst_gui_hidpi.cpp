#include "app/BehaviorDirector.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"

#include "support/AppHarness.h"
#include "support/DesktopProbe.h"
#include "support/TestMain.h"

#include <QDir>
#include <QScreen>
#include <QWidget>

#include <cmath>

// The pet on a screen of more device pixels than points. ctest runs this with QT_SCALE_FACTOR=2;
// scripts/record-hidpi.sh runs it at 1, 1.5 and 2 with TAMSEL_SCREENSHOT_DIR set, which receives a
// picture of the cat and its bubble.
class TestHiDpi : public QObject {
    Q_OBJECT

public:
    explicit TestHiDpi(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void inputShapeIsTheDrawnPixels()
    {
        X11WindowSystem x11;
        // Stretched by an odd factor, so every edge between two frame pixels must fall on the
        // device pixel where painting puts it.
        PetWindowController controller(QSize(19, 13), QPoint(300, 300), &x11);
        const char *rows[] = { "#..##.#", ".#.#..#", "##....#", "...###.", "#.#.#.#" };
        QImage frame(7, 5, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                frame.setPixel(x, y, rows[y][x] == '#' ? qRgba(200, 120, 40, 255) : 0);
        controller.spriteView()->setFrame(frame);
        controller.show();
        QTRY_VERIFY(controller.isVisible());

        const qreal ratio = controller.windowHandle()->devicePixelRatio();
        QImage drawn(QSize(qRound(19 * ratio), qRound(13 * ratio)), QImage::Format_ARGB32_Premultiplied);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        controller.spriteView()->render(&drawn);
        QRegion opaque;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const int alpha = qAlpha(drawn.pixel(x, y));
                QVERIFY2(alpha == 0 || alpha == 255, "drawn without smoothing");
                if (alpha)
                    opaque += QRect(x, y, 1, 1);
            }
        }
        QTRY_VERIFY(!opaque.isEmpty() && x11.inputShape(controller.windowHandle()).xored(opaque).isEmpty());
    }

    void strollKeepsItsSpeedInPoints()
    {
        AppHarness app(m_env);
        app.settings.setBehaviorMode(BehaviorMode::Still);
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        QWidget *window = app.pet().window().window();
        const QRect screen = app.pet().window().screen()->availableGeometry();
        window->move(screen.x() + 40, screen.y() + 120);
        QTRY_COMPARE(window->pos(), QPoint(screen.x() + 40, screen.y() + 120));

        app.coordinator->speechBubble().show("Crisp at any scale!", std::chrono::seconds(30));
        QWidget *bubble = app.coordinator->speechBubble().view();
        QTRY_VERIFY(bubble->isVisible());
        const QString directory = qEnvironmentVariable("TAMSEL_SCREENSHOT_DIR");
        if (!directory.isEmpty()) {
            const QRect area = (bubble->geometry() | window->geometry()).adjusted(-12, -12, 12, 12);
            QTRY_VERIFY(bubble->windowHandle()->opacity() >= 1.0);
            const QImage shot
                = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
            const QString name = QString("hidpi-%1.png").arg(window->devicePixelRatioF());
            QVERIFY(shot.save(QDir(directory).filePath(name)));
        }

        // 90 + 0.5 × 170 = 175 points to the right, ticks 1/60 s apart with the window system's
        // answers handled in between, as they are when the pet walks for real.
        BehaviorEngine &engine = app.pet().behavior().engine();
        app.random.setScript({ 0.0, 0.0, 0.5 });
        engine.heartbeatFired();
        int ticks = 0;
        for (; ticks < 1000 && engine.isStrolling(); ++ticks) {
            app.clock.advanceMs(16);
            engine.strollTick();
            const double x = app.pet().behavior().windowFrame().x();
            QTRY_COMPARE(window->x(), int(std::lround(x)));
        }
        QTRY_COMPARE(window->x(), screen.x() + 215);
        const double speed = 175.0 / (ticks * 0.016);
        qInfo("stroll speed at ratio %.2f: %.1f points a second", window->devicePixelRatioF(), speed);
        QVERIFY2(qAbs(speed - 85.0) < 1.0, qPrintable(QString::number(speed)));
    }
};

TAMSEL_TEST_MAIN(TestHiDpi)
#include "tst_gui_hidpi.moc"
