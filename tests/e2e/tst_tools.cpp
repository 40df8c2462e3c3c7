#include "llm/ToolHost.h"
#include "llm/ToolRegistry.h"
#include "platform/Clock.h"
#include "platform/linux/RegionSelectionOverlay.h"
#include "platform/linux/SystemClipboard.h"
#include "platform/linux/X11ScreenCapturer.h"
#include "settings/SettingsStore.h"
#include "userdata/NoteStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"

#include "support/AwaitTask.h"
#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

namespace {
using DesktopProbe::xdotool;

// True while some client holds the pointer grab: another connection's attempt is refused.
bool pointerIsGrabbed()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_grab_pointer_reply_t *reply = xcb_grab_pointer_reply(connection,
        xcb_grab_pointer(
            connection, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr);
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    std::free(reply);
    xcb_disconnect(connection); // gives back a grab that did succeed
    return grabbed;
}

class StoresHost final : public ToolHost {
public:
    explicit StoresHost(SettingsStore &settings)
        : reminders(settings)
        , notes(NoteStore::defaultFilePath(), Clock::system())
        , maps(settings)
    {
    }
    ReminderStore &reminderStore() override { return reminders; }
    NoteStore &noteStore() override { return notes; }
    PetAnimationMapStore &animationMapStore() override { return maps; }
    const PetPackage *currentPackage() const override { return nullptr; }
    SpriteSheetDecoder *spriteDecoder() const override { return nullptr; }
    void playRowOneShot(int) override { }

    ReminderStore reminders;
    NoteStore notes;
    PetAnimationMapStore maps;
};
}

// The screenshot and reminder paths on a real X display: the clipboard served to another program,
// a file on the Desktop, the selection overlay driven by a synthetic mouse, and a reminder the
// running program delivers in its bubble.
class TestTools : public QObject {
    Q_OBJECT

public:
    explicit TestTools(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    static QSize screenPixels()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        return (QSizeF(screen->virtualGeometry().size()) * screen->devicePixelRatio()).toSize();
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs the headless desktop session (scripts/headless-session.sh)");
    }

    void fullScreenShotIsServedOnTheClipboard()
    {
        if (QStandardPaths::findExecutable("xclip").isEmpty())
            QSKIP("needs xclip");
        X11ScreenCapturer capturer;
        SystemClipboard clipboard;
        const ScreenCapturer::Capture capture = awaitTask(capturer.capture(false));
        QCOMPARE(capture.outcome, ScreenCapturer::Capture::Outcome::Captured);
        QCOMPARE(capture.image.size(), screenPixels());
        clipboard.setImage(capture.image);

        // Another client asks for PNG; this process must keep serving the selection meanwhile.
        QProcess xclip;
        xclip.start("xclip", { "-selection", "clipboard", "-t", "image/png", "-o" });
        QTRY_VERIFY_WITH_TIMEOUT(xclip.state() == QProcess::NotRunning, 10000);
        QCOMPARE(xclip.exitCode(), 0);
        QByteArray png = xclip.readAllStandardOutput();
        QBuffer buffer(&png);
        QImageReader reader(&buffer, "png");
        const QImage served = reader.read();
        QCOMPARE(served.size(), screenPixels());
    }

    void desktopTargetWritesAPng()
    {
        const QString desk = m_env->home() + "/Schreibtisch";
        QVERIFY(QDir().mkpath(desk));
        QFile dirs(m_env->configHome() + "/user-dirs.dirs");
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
        dirs.close();

        SettingsStore settings(m_env->settingsFilePath());
        StoresHost host(settings);
        X11ScreenCapturer capturer;
        SystemClipboard clipboard;
        ToolRegistry registry(host, { &capturer, nullptr, &clipboard, nullptr, nullptr });
        const QString answer = awaitTask(registry.execute({ "1", "take_screenshot", R"({"target": "desktop"})" }));
        const auto saved
            = QRegularExpression("^Saved to (.+/screenshot_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.png)\\.$")
                  .match(answer);
        QVERIFY2(saved.hasMatch(), qPrintable(answer));
        QCOMPARE(QFileInfo(saved.captured(1)).path(), desk);
        QImageReader reader(saved.captured(1));
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), screenPixels());
        QCOMPARE(QDir(desk).entryList(QDir::Files).size(), 1); // no temporary file left behind
    }

    void selectionOverlayCapturesTheDraggedRegion()
    {
        X11ScreenCapturer capturer;
        const QImage before = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        std::optional<ScreenCapturer::Capture> result;
        // The lambda must outlive its coroutine, which refers to its captures.
        auto select = [&]() -> QCoro::Task<> { result = co_await capturer.capture(true); };
        auto dragged = select();
        // The grabs are taken once the window is viewable.
        QTRY_VERIFY(capturer.overlay() && capturer.overlay()->isVisible() && pointerIsGrabbed());
        xdotool({ "mousemove", "100", "120" });
        xdotool({ "mousedown", "1" });
        for (int step = 1; step <= 5; ++step)
            xdotool({ "mousemove", QString::number(100 + step * 40), QString::number(120 + step * 30) });
        // Mid-drag the desktop shows dimmed, the chosen rectangle as it was.
        QImage during;
        QTRY_VERIFY(((during = QGuiApplication::primaryScreen()->grabWindow(0).toImage()).pixel(200, 200)
                        == before.pixel(200, 200))
            && qGray(during.pixel(20, 20)) < qGray(before.pixel(20, 20)));
        during.save(QDir(TAMSEL_BINARY_DIR).filePath("e2e-selection.png"));
        xdotool({ "mouseup", "1" });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QCOMPARE(result->outcome, ScreenCapturer::Capture::Outcome::Captured);
        const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
        QCOMPARE(result->image.size(), (QSizeF(200, 150) * ratio).toSize());
        QTRY_VERIFY(!capturer.overlay());

        result.reset();
        auto cancelled = select();
        QTRY_VERIFY(capturer.overlay() && capturer.overlay()->isVisible() && pointerIsGrabbed());
        xdotool({ "key", "Escape" });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QCOMPARE(result->outcome, ScreenCapturer::Capture::Outcome::Cancelled);
    }

    void dueReminderAppearsInTheBubble()
    {
        {
            SettingsStore settings(m_env->settingsFilePath());
            // A cat strolling off between two looks would leave its bubble out of the picture.
            settings.setBehaviorMode(BehaviorMode::Still);
            ReminderStore(settings).add(Reminder::create(
                "Time to stretch!", QDateTime::currentDateTimeUtc().addSecs(3), Reminder::Repeat::None));
        }
        RunningProgram program;
        QVERIFY(program.start());
        auto stop = qScopeGuard([&program] { program.stop(); });

        QString pet;
        QTRY_VERIFY_WITH_TIMEOUT(!(pet = DesktopProbe::petWindow()).isEmpty(), 20000);
        const QRect cat = DesktopProbe::geometry(pet);
        QString bubbleWindow;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(bubbleWindow = xdotool({ "search", "--onlyvisible", "--name", "speech bubble" }).section('\n', 0, 0))
                 .isEmpty(),
            20000);
        const QRect bubble = DesktopProbe::geometry(bubbleWindow);
        QVERIFY2(bubble.bottom() < cat.top(), "the bubble sits above the cat");

        // Mostly dark inside once the bubble is painted.
        const QRect area = (bubble | cat).adjusted(-40, -40, 40, 40);
        const QRect inner = bubble.translated(-area.topLeft()).adjusted(10, 10, -10, -10);
        QImage shot;
        const auto darkPixels = [&] {
            shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(area);
            int dark = 0;
            for (int y = inner.top(); y <= inner.bottom(); ++y)
                for (int x = inner.left(); x <= inner.right(); ++x)
                    dark += qGray(shot.pixel(x, y)) < 60;
            return dark;
        };
        QTRY_VERIFY_WITH_TIMEOUT(darkPixels() > inner.width() * inner.height() / 3, 5000);
        // docs/reminder-bubble.png is a copy of this picture.
        QVERIFY(shot.save(QDir(TAMSEL_BINARY_DIR).filePath("e2e-reminder-bubble.png")));
    }
};

TAMSEL_TEST_MAIN(TestTools)
#include "tst_tools.moc"
