#include "support/FakeWindowSystem.h"
#include "support/TestMain.h"

#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/Xcb.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>

#include <xcb/xcb.h>

namespace {
class GestureRecorder : public QObject {
public:
    QStringList events;

    void watch(PetSpriteView *view)
    {
        const auto record = [this](const QString &event) { return [this, event] { events << event; }; };
        connect(view, &PetSpriteView::clicked, this, record("click"));
        connect(view, &PetSpriteView::doubleClicked, this, record("double-click"));
        connect(view, &PetSpriteView::ctrlDoubleClicked, this, record("command-double-click"));
        connect(view, &PetSpriteView::dragStarted, this, record("drag-start"));
        connect(view, &PetSpriteView::dragEnded, this, record("drag-end"));
        connect(view, &PetSpriteView::contextMenuRequested, this,
            [this](QPointF at) { events << QString("menu %1,%2").arg(at.x()).arg(at.y()); });
        connect(view, &PetSpriteView::draggedInDirection, this,
            [this](int direction) { events << (direction > 0 ? "right" : "left"); });
    }
};

// A 32 x 32 frame, transparent but for an opaque block at (8, 4) of 16 x 24.
QImage blockFrame(QColor colour = Qt::darkGreen, QRect block = QRect(8, 4, 16, 24))
{
    QImage frame(32, 32, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter(&frame).fillRect(block, colour);
    return frame;
}

const QSize windowSize(96, 96); // three times the frame
const QPoint windowOrigin(400, 300);

// Where a widget said it moved to, in order.
class MoveRecorder : public QObject {
public:
    MoveRecorder(QWidget *widget, QList<QPoint> *positions)
        : m_positions(positions)
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Move)
            m_positions->append(static_cast<QWidget *>(watched)->pos());
        return false;
    }

private:
    QList<QPoint> *m_positions;
};
}

class TestGuiPetWindow : public QObject {
    Q_OBJECT

private:
    PetSpriteView *view() const { return m_controller->spriteView(); }
    QPoint globalCentre() const { return view()->mapToGlobal(QPoint(48, 48)); }
    // The window moves during a drag; positions are given on the screen.
    void pressAt(QPoint global) { QTest::mousePress(view(), Qt::LeftButton, {}, view()->mapFromGlobal(global)); }
    void moveTo(QPoint global) { QTest::mouseMove(view(), view()->mapFromGlobal(global)); }
    void releaseAt(QPoint global, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseRelease(view(), Qt::LeftButton, modifiers, view()->mapFromGlobal(global));
    }

    std::unique_ptr<X11WindowSystem> m_x11;
    std::unique_ptr<PetWindowController> m_controller;
    std::unique_ptr<GestureRecorder> m_recorder;

private slots:
    void init()
    {
        m_x11 = std::make_unique<X11WindowSystem>();
        QVERIFY2(m_x11->isAvailable(), "needs an X display");
        m_controller = std::make_unique<PetWindowController>(windowSize, windowOrigin, m_x11.get());
        m_recorder = std::make_unique<GestureRecorder>();
        m_recorder->watch(view());
        view()->setFrame(blockFrame());
        m_controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(view()));
        QTRY_COMPARE(view()->pos(), windowOrigin);
    }

    void cleanup()
    {
        m_controller.reset();
        m_recorder.reset();
        m_x11.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void pressAndMovesBecomeClickOrDrag_data()
    {
        QTest::addColumn<QList<QPoint>>("moves"); // from the press, in order
        QTest::addColumn<QStringList>("events");
        // 3-4-5: five points away, although seven apart counted along the axes.
        QTest::newRow("below the threshold: a click, the window follows")
            << QList<QPoint> { { 3, 4 } } << QStringList { "click" };
        // Vertical moves report no direction; the drag starts once and ends once.
        QTest::newRow("threshold reached: a drag")
            << QList<QPoint> { { 0, 6 }, { 0, 20 } } << QStringList { "drag-start", "drag-end" };
        // A drag from 6 right of the press; 1-point steps say nothing, then 2 to the left does.
        QTest::newRow("small steps carry no direction") << QList<QPoint> { { 6, 0 }, { 7, 0 }, { 8, 0 }, { 6, 0 },
            { 6, 9 } } << QStringList { "drag-start", "right", "left", "drag-end" };
    }
    void pressAndMovesBecomeClickOrDrag()
    {
        QFETCH(QList<QPoint>, moves);
        QFETCH(QStringList, events);
        const QPoint start = globalCentre();
        pressAt(start);
        for (const QPoint &move : std::as_const(moves))
            moveTo(start + move);
        QCOMPARE(view()->pos(), windowOrigin + moves.last());
        releaseAt(start + moves.last());
        QCOMPARE(m_recorder->events, events);
    }

    void doubleClickComesAfterClick_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("second");
        QTest::newRow("plain") << Qt::KeyboardModifiers() << "double-click";
        QTest::newRow("ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier) << "command-double-click";
    }

    void doubleClickComesAfterClick()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, second);
        const QPoint local(48, 48);
        QTest::mousePress(view(), Qt::LeftButton, modifiers, local);
        QTest::mouseRelease(view(), Qt::LeftButton, modifiers, local);
        QTest::mouseDClick(view(), Qt::LeftButton, modifiers, local);
        QTest::mouseRelease(view(), Qt::LeftButton, modifiers, local);
        QCOMPARE(m_recorder->events, (QStringList { "click", second }));
    }

    void pressEndedElsewhereIsNeverAClick()
    {
        // A drag interrupted by a switch of application ends once; the release that follows later
        // is neither a second end nor a click.
        const QPoint start = globalCentre();
        pressAt(start);
        moveTo(start + QPoint(-10, 0));
        view()->endPressWithoutClick();
        view()->endPressWithoutClick();
        moveTo(start + QPoint(-30, 0));
        releaseAt(start + QPoint(-30, 0));
        QCOMPARE(m_recorder->events, (QStringList { "drag-start", "left", "drag-end" }));
        QCOMPARE(view()->pos(), windowOrigin + QPoint(-10, 0));

        // A press that had not become a drag ends silently, and its release does not click.
        m_recorder->events.clear();
        pressAt(globalCentre());
        view()->endPressWithoutClick();
        releaseAt(globalCentre());
        QVERIFY(m_recorder->events.isEmpty());

        // The button was released where the window never heard of it: the next move ends the drag.
        pressAt(globalCentre());
        moveTo(globalCentre() + QPoint(0, 8));
        const QPointF local(48, 48);
        QMouseEvent moveWithoutButton(
            QEvent::MouseMove, local, view()->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view(), &moveWithoutButton);
        QTest::mouseRelease(view(), Qt::LeftButton, {}, local.toPoint());
        QCOMPARE(m_recorder->events, (QStringList { "drag-start", "drag-end" }));
    }

    void rightPressRequestsMenuAtCursor()
    {
        const QPoint at = view()->mapToGlobal(QPoint(40, 50));
        QTest::mousePress(view(), Qt::RightButton, {}, QPoint(40, 50));
        QTest::mouseRelease(view(), Qt::RightButton, {}, QPoint(40, 50));
        QCOMPARE(m_recorder->events, QStringList { QString("menu %1,%2").arg(at.x()).arg(at.y()) });
    }

    void levelAndClickThroughApplyLiveWithoutHiding()
    {
        QWindow *handle = m_controller->windowHandle();
        const WId nativeWindow = handle->winId();
        const struct {
            WindowLevel level;
            bool onTop;
            bool onBottom;
        } levels[] = { { WindowLevel::AlwaysOnTop, true, false }, { WindowLevel::Desktop, false, true },
            { WindowLevel::Floating, true, false } };
        for (const auto &step : levels) {
            m_controller->setWindowLevel(step.level);
            QCOMPARE(handle->flags().testFlag(Qt::WindowStaysOnTopHint), step.onTop);
            QCOMPARE(handle->flags().testFlag(Qt::WindowStaysOnBottomHint), step.onBottom);
            QCOMPARE(view()->windowFlags(), handle->flags());
            QVERIFY(view()->isVisible() && handle->isVisible());
        }

        m_controller->setClickThrough(true);
        QVERIFY(handle->isVisible());
        // Synthetic events still reach the widget; the view must not act on them either.
        QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(48, 48));
        QTest::mouseClick(view(), Qt::RightButton, {}, QPoint(48, 48));
        QVERIFY(m_recorder->events.isEmpty());

        m_controller->setClickThrough(false);
        QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(48, 48));
        QCOMPARE(m_recorder->events, QStringList { "click" });
        QCOMPARE(handle->winId(), nativeWindow);
    }

    void visibilityIsReported()
    {
        QSignalSpy spy(m_controller.get(), &PetWindowController::visibilityChanged);
        m_controller->hide();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.last().first().toBool(), false);
        m_controller->show();
        QTRY_COMPARE(spy.count(), 2);
    }

    void offscreenWindowIsCentredOnPrimaryScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        // Still overlapping the screen by one point: left alone.
        const QPoint edge(area.x() + area.width() - 1, area.y() + 100);
        view()->move(edge);
        m_controller->recoverIfOffscreen();
        QCOMPARE(view()->pos(), edge);

        // Just past the right edge of every screen.
        view()->move(area.x() + area.width() + 20000, area.y() + 100);
        m_controller->recoverIfOffscreen();
        const QPoint centred(
            area.x() + (area.width() - windowSize.width()) / 2, area.y() + (area.height() - windowSize.height()) / 2);
        QCOMPARE(view()->pos(), centred);
    }

    // A stroll moves the window 60 times a second: Qt knows each place at once, no confirmation
    // arriving later moves it back, and neither a hide nor a move made elsewhere meanwhile is lost.
    void strollingMovesAreKnownAtOnceAndNothingElseIsLost()
    {
        const auto stroll = [this](QPoint from) {
            QList<QPoint> targets;
            for (int step = 1; step <= 20; ++step) {
                targets.append(from + QPoint(3 * step, step % 2));
                if (!m_x11->moveWindow(m_controller->windowHandle(), targets.last()))
                    return QList<QPoint>();
                if (view()->pos() != targets.last())
                    return QList<QPoint>();
            }
            return targets;
        };
        QVERIFY(!stroll(windowOrigin).isEmpty());
        m_controller->hide();
        m_controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(view()));

        QList<QPoint> reported;
        MoveRecorder recorder(view(), &reported);
        QList<QPoint> targets = stroll(windowOrigin + QPoint(0, 40));
        QVERIFY(!targets.isEmpty());
        xcb_connection_t *connection = Xcb::connection();
        const QPoint elsewhere(500, 350);
        const uint32_t values[] = { uint32_t(elsewhere.x()), uint32_t(elsewhere.y()) };
        xcb_configure_window(
            connection, xcb_window_t(view()->winId()), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        xcb_flush(connection);
        QTRY_COMPARE(view()->pos(), elsewhere);
        QCOMPARE(reported, targets << elsewhere);
    }

    void inputShapeFollowsFrameAlpha()
    {
        QWindow *handle = m_controller->windowHandle();
        const QRegion block(24, 12, 48, 72); // the frame's block, three times larger
        QTRY_COMPARE(m_x11->inputShape(handle), block);

        // Two blocks side by side on the same rows, and one below.
        QImage frame = blockFrame(Qt::red, QRect(0, 0, 4, 2));
        QPainter(&frame).fillRect(QRect(10, 0, 2, 2), Qt::red);
        QPainter(&frame).fillRect(QRect(2, 30, 2, 2), QColor(255, 0, 0, 1)); // barely visible still counts
        view()->setFrame(QImage()); // empties the shape, so that the next frame's stands alone
        view()->setFrame(frame);
        const QRegion blocks = QRegion(0, 0, 12, 6) + QRegion(30, 0, 6, 6) + QRegion(6, 90, 6, 6);
        QTRY_COMPARE(m_x11->inputShape(handle), blocks);

        m_controller->setClickThrough(true);
        QTRY_VERIFY(m_x11->inputShape(handle).isEmpty());
        view()->setFrame(blockFrame()); // shapes go out at once, on the connection the query uses
        QVERIFY(m_x11->inputShape(handle).isEmpty());
        m_controller->setClickThrough(false);
        // Both recent frames.
        QTRY_COMPARE(m_x11->inputShape(handle), block + blocks);
    }

    // Frames after the first go straight into the X window, uploaded once and copied where they
    // changed; the window must then hold what Qt would have painted, also for a frame seen before.
    void framesDrawnStraightIntoTheWindowMatchQtsPainting()
    {
        QWindow *handle = m_controller->windowHandle();
        QImage scaled = blockFrame(Qt::red).scaled(windowSize);
        QVERIFY(m_x11->drawFrame(handle, scaled, QRegion(0, 0, 8, 8)));
        // Too large to keep 24 of on the server, or not premultiplied: left to Qt.
        QImage huge(600, 600, QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!m_x11->drawFrame(handle, huge, QRegion(0, 0, 8, 8)));
        QVERIFY(!m_x11->drawFrame(handle, scaled.convertToFormat(QImage::Format_ARGB32), QRegion(0, 0, 8, 8)));
        const QImage frames[] = { blockFrame(Qt::blue, QRect(0, 0, 20, 10)), blockFrame(Qt::yellow),
            blockFrame(Qt::blue, QRect(0, 0, 20, 10)), blockFrame(Qt::darkGreen, QRect(30, 30, 2, 2)) };
        for (const QImage &frame : frames) {
            view()->setFrame(frame);
            // What the view paints: the frame scaled once, nearest-neighbour, drawn 1:1.
            const QImage painted = frame.scaled(windowSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            QTRY_COMPARE(view()
                             ->screen()
                             ->grabWindow(view()->winId())
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                painted);
        }
    }

    // A loop left to the window system plays on without the program, and whenever it is taken
    // back the window holds exactly the frame it names, as Qt would have painted it.
    void loopsPlayedByTheWindowSystemShowTheFramesTheyName()
    {
        QWindow *handle = m_controller->windowHandle();
        const QList<QImage> frames { blockFrame(Qt::blue, QRect(0, 0, 20, 10)), blockFrame(Qt::yellow),
            blockFrame(Qt::red, QRect(16, 16, 16, 16)) };
        const auto grab = [this] {
            return view()
                ->screen()
                ->grabWindow(view()->winId())
                .toImage()
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        const auto painted = [](const QImage &frame) {
            return frame.scaled(windowSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        };
        QVERIFY(!view()->takeLoop(frames, 40, 0)); // the view does not show frame 0
        for (const QImage &frame : frames + QList { frames.first() })
            view()->setFrame(frame);
        QVERIFY(!view()->takeLoop(frames, 40, 1));

        QSignalSpy ended(view(), &PetSpriteView::loopEnded);
        QSet<qsizetype> seen;
        for (int wait : { 130, 170, 90, 210, 150 }) {
            QVERIFY(view()->takeLoop(frames, 40, view()->currentFrame().cacheKey() == frames[0].cacheKey() ? 0 : 1));
            QVERIFY(view()->isLooping());
            QTest::qWait(wait);
            const qsizetype shown = view()->returnLoop();
            QVERIFY(shown >= 0 && shown < frames.size());
            seen.insert(shown);
            QCOMPARE(view()->currentFrame(), frames[shown]);
            QCOMPARE(grab(), painted(frames[shown]));
            QTest::qWait(100); // nothing more reaches the window
            QCOMPARE(grab(), painted(frames[shown]));
            // The next loop starts from frame 0 or 1, whichever the view shows.
            view()->setFrame(frames[shown == 0 ? 1 : 0]);
        }
        QVERIFY2(seen.size() > 1, "the loop never moved on");
        QCOMPARE(ended.count(), 0); // handed back when asked, not ended by the view

        // A paint or a hide ends the loop; so does drawing into the window by other means, which
        // leaves the view with the frame it knew.
        view()->setFrame(frames[0]);
        QVERIFY(view()->takeLoop(frames, 40, 0));
        view()->repaint();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!view()->isLooping());
        view()->setFrame(frames[1]);
        QVERIFY(view()->takeLoop(frames, 40, 1));
        m_x11->drawFrame(handle, painted(frames[1]), QRegion(0, 0, 8, 8));
        QCOMPARE(m_x11->stopLoop(handle), -1);
        QCOMPARE(view()->returnLoop(), 1);
        QVERIFY(view()->takeLoop(frames, 40, 1));
        m_controller->hide();
        QCOMPARE(ended.count(), 2);
        QVERIFY(!view()->isLooping());
    }

    void inputShapeSentOnlyWhenMaskChanges()
    {
        FakeWindowSystem windowSystem;
        PetWindowController controller(QSize(64, 64), QPoint(100, 100), &windowSystem);
        QWindow *handle = controller.windowHandle();
        PetSpriteView *sprite = controller.spriteView();
        sprite->setFrame(blockFrame());
        QCOMPARE(windowSystem.shapes.value(handle), QList<QRect> { QRect(16, 8, 32, 48) });
        const int sent = windowSystem.shapeUpdates;

        // Other colours, same alpha; the very same image again: nothing to send.
        sprite->setFrame(blockFrame(Qt::blue));
        sprite->setFrame(sprite->currentFrame());
        QCOMPARE(windowSystem.shapeUpdates, sent);

        // A new mask joins the shape at once; the old one leaves once enough newer frames were
        // shown, and a row looping through the same masks sends nothing more.
        sprite->setFrame(blockFrame(Qt::blue, QRect(0, 0, 32, 16)));
        QCOMPARE(windowSystem.shapeUpdates, sent + 1);
        QCOMPARE(windowSystem.shapes.value(handle), QList<QRect>({ QRect(0, 0, 64, 32), QRect(16, 32, 32, 24) }));
        for (int i = 0; i < AlphaInputShape::heldFrames; ++i)
            sprite->setFrame(blockFrame(i % 2 ? Qt::red : Qt::blue, QRect(0, 0, 32, 16)));
        QCOMPARE(windowSystem.shapeUpdates, sent + 2);
        QCOMPARE(windowSystem.shapes.value(handle), QList<QRect> { QRect(0, 0, 64, 32) });

        // A frame with no transparent pixel at all takes every click.
        QImage opaque(32, 32, QImage::Format_RGB32);
        opaque.fill(Qt::white);
        sprite->setFrame(opaque);
        QCOMPARE(windowSystem.shapes.value(handle), QList<QRect> { QRect(0, 0, 64, 64) });
        QVERIFY(windowSystem.onAllDesktops.contains(handle));
    }

    void alwaysOnTopComesBackWhenCovered()
    {
        QWindow *handle = m_controller->windowHandle();
        QWidget cover;
        cover.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        cover.setGeometry(QRect(windowOrigin - QPoint(10, 10), QSize(150, 150)));
        // Floating: a window shown later covers the pet.
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        QTRY_VERIFY(m_x11->isCovered(handle));

        // A busy machine can make the window manager slow to restack.
        m_controller->setWindowLevel(WindowLevel::AlwaysOnTop);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x11->isCovered(handle), 15000);

        // Shown again, the other window comes out on top; the pet follows it up on its own.
        QSignalSpy restacked(m_x11.get(), &WindowSystem::stackingChanged);
        cover.hide();
        QTRY_VERIFY(restacked.count() >= 1); // the window manager has taken it off the stack
        restacked.clear();
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        QTRY_VERIFY(restacked.count() >= 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x11->isCovered(handle), 15000);
    }

    void petAndBubbleAreOnEveryDesktopAndTheBubbleLetsClicksThrough()
    {
        SpeechBubbleController bubble(m_x11.get());
        bubble.setPetWindow(m_controller->window());
        bubble.show("Hello there", std::chrono::seconds(5));
        QVERIFY(bubble.view());
        QVERIFY(QTest::qWaitForWindowExposed(bubble.view()));
        QTRY_VERIFY(m_x11->inputShape(bubble.view()->windowHandle()).isEmpty());
        QVERIFY(QGuiApplication::focusWindow() != bubble.view()->windowHandle());
        QTRY_COMPARE(m_x11->desktop(bubble.view()->windowHandle()), std::optional<quint32>(0xFFFFFFFF));
        QTRY_COMPARE(m_x11->desktop(m_controller->windowHandle()), std::optional<quint32>(0xFFFFFFFF));
    }
};

TAMSEL_TEST_MAIN(TestGuiPetWindow)
#include "tst_gui_petwindow.moc"
