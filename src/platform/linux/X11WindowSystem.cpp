#include "platform/linux/X11WindowSystem.h"

#include "platform/linux/X11FramePainter.h"
#include "platform/linux/X11LoopPlayer.h"
#include "platform/linux/Xcb.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace {
using Xcb::internAtom;
using Xcb::Reply;

constexpr quint32 allDesktops = 0xFFFFFFFF;
constexpr quint32 sourceApplication = 1; // EWMH source indications of a client message
constexpr quint32 sourcePager = 2;
// Moves whose confirmation is still to come; a window manager that answers none has no more.
constexpr qsizetype maxUnconfirmedMoves = 32;

template<typename T> T clampTo(int value)
{
    return static_cast<T>(qBound(int(std::numeric_limits<T>::min()), value, int(std::numeric_limits<T>::max())));
}
}

X11WindowSystem::X11WindowSystem(QObject *parent)
    : WindowSystem(parent)
{
    m_connection = Xcb::connection();
    if (!m_connection)
        return;
    const xcb_query_extension_reply_t *shape = xcb_get_extension_data(m_connection, &xcb_shape_id);
    m_hasShape = shape && shape->present;
    m_desktopAtom = internAtom(m_connection, "_NET_WM_DESKTOP");
    m_stackingAtom = internAtom(m_connection, "_NET_CLIENT_LIST_STACKING");
    m_roots = Xcb::roots(m_connection);
    m_framePainter = std::make_unique<X11FramePainter>(m_connection);
    // Longer than the pause between two steps of a stroll, short enough to be over when it ends.
    m_quietEnd.setSingleShot(true);
    m_quietEnd.setInterval(250);
    connect(&m_quietEnd, &QTimer::timeout, this, &X11WindowSystem::endQuietMoves);
    watchRootProperties();
    qGuiApp->installNativeEventFilter(this);
    // The loop's thread must be done with the connection before Qt closes it.
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, [this] { m_loopPlayer.reset(); });
}

X11WindowSystem::~X11WindowSystem()
{
    m_loopPlayer.reset();
    if (m_connection && qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
        // Windows that outlive this go back to hearing of their structure changes.
        for (auto it = m_quietWindows.cbegin(); it != m_quietWindows.cend(); ++it) {
            if (it->window && it->window->handle() && static_cast<quint32>(it->window->winId()) == it.key())
                xcb_change_window_attributes(m_connection, it.key(), XCB_CW_EVENT_MASK, &it->eventMask);
        }
        xcb_flush(m_connection);
    }
    // Past the application's end the connection is closed, and the server freed the frames.
    if (m_framePainter && !qGuiApp)
        m_framePainter->abandon();
}

bool X11WindowSystem::drawFrame(QWindow *window, const QImage &frame, const QRegion &region)
{
    if (!m_framePainter || !window || !window->handle() || !window->isExposed())
        return false;
    const auto native = static_cast<quint32>(window->winId());
    const auto known = m_drawnWindows.constFind(window);
    if (known == m_drawnWindows.constEnd()) {
        // Let go of its frames when the window goes; it is gone by then, so by its old id.
        connect(window, &QObject::destroyed, this, [this, window] { forgetFrames(window); });
    } else if (*known != native) {
        stopLoopIn(*known);
        m_framePainter->forget(*known);
    }
    stopLoopIn(native);
    m_drawnWindows.insert(window, native);
    return m_framePainter->draw(native, frame, region);
}

void X11WindowSystem::forgetFrames(QWindow *window)
{
    const auto known = m_drawnWindows.constFind(window);
    if (known == m_drawnWindows.constEnd() || !m_framePainter)
        return;
    stopLoopIn(*known);
    m_framePainter->forget(*known);
    m_drawnWindows.erase(known);
}

bool X11WindowSystem::playLoop(QWindow *window, const QList<LoopFrame> &frames, int intervalMs, qsizetype shown)
{
    if (m_loopPlayer)
        m_loopPlayer->stop();
    if (!m_framePainter || !window || !window->handle() || !window->isExposed() || frames.size() < 2 || shown < 0
        || shown >= frames.size() || intervalMs <= 0)
        return false;
    const auto native = static_cast<quint32>(window->winId());
    // Only into a window whose frames are kept here, and only frames that are.
    if (m_drawnWindows.value(window) != native)
        return false;
    X11LoopPlayer::Loop loop;
    loop.window = native;
    loop.interval = std::chrono::milliseconds(intervalMs);
    loop.shown = std::size_t(shown);
    loop.steps.reserve(std::size_t(frames.size()));
    for (const LoopFrame &frame : frames) {
        const auto source = m_framePainter->kept(native, frame.frame);
        if (!source)
            return false;
        loop.gc = source->gc;
        X11LoopPlayer::Step step;
        step.pixmap = source->pixmap;
        for (const QRect &rect : frame.damage) {
            const QRect part = rect & frame.frame.rect();
            if (!part.isEmpty())
                step.rects.push_back(
                    { int16_t(part.x()), int16_t(part.y()), uint16_t(part.width()), uint16_t(part.height()) });
        }
        loop.steps.push_back(std::move(step));
    }
    if (!m_loopPlayer)
        m_loopPlayer = std::make_unique<X11LoopPlayer>(m_connection);
    m_loopPlayer->play(std::move(loop));
    return true;
}

qsizetype X11WindowSystem::stopLoop(QWindow *window)
{
    const auto known = m_drawnWindows.constFind(window);
    if (!m_loopPlayer || known == m_drawnWindows.constEnd() || m_loopPlayer->window() != *known)
        return -1;
    const std::optional<std::size_t> shown = m_loopPlayer->stop();
    return shown ? qsizetype(*shown) : -1;
}

void X11WindowSystem::stopLoopIn(quint32 native)
{
    if (m_loopPlayer && m_loopPlayer->window() == native)
        m_loopPlayer->stop();
}

void X11WindowSystem::watchRootProperties()
{
    // Qt already listens to property changes on the root windows; make sure without replacing
    // the rest of its event mask.
    for (const xcb_window_t root : m_roots) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, root), nullptr));
        if (!attributes || (attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE))
            continue;
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_flush(m_connection);
}

quint32 X11WindowSystem::rootOf(quint32 window) const
{
    if (m_roots.size() == 1)
        return m_roots.front();
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
    if (tree)
        return tree->root;
    return m_roots.empty() ? xcb_window_t(XCB_WINDOW_NONE) : m_roots.front();
}

void X11WindowSystem::setOnAllDesktops(QWindow *window)
{
    if (!m_connection || !window || m_desktopAtom == XCB_ATOM_NONE)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    // The property is what the window manager reads when it maps the window; a mapped window is
    // moved by asking the window manager with a client message.
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, m_desktopAtom, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = m_desktopAtom;
    message.data.data32[0] = allDesktops;
    message.data.data32[1] = sourceApplication;
    xcb_send_event(m_connection, 0, rootOf(id),
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

void X11WindowSystem::setListedInTaskbar(QWindow *window, bool listed)
{
    if (!m_connection || !window)
        return;
    // Window managers own _NET_WM_STATE once a window is mapped: ask them to add or remove the
    // two "skip" states (EWMH: action 1 adds, 0 removes).
    const xcb_atom_t state = internAtom(m_connection, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = internAtom(m_connection, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = internAtom(m_connection, "_NET_WM_STATE_SKIP_PAGER");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE || skipPager == XCB_ATOM_NONE)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = state;
    message.data.data32[0] = listed ? 0 : 1;
    message.data.data32[1] = skipTaskbar;
    message.data.data32[2] = skipPager;
    message.data.data32[3] = sourceApplication;
    xcb_send_event(m_connection, 0, rootOf(id),
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

void X11WindowSystem::activate(QWindow *window)
{
    if (!m_connection || !window)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t activeWindow = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    if (activeWindow == XCB_ATOM_NONE) {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return;
    }
    // EWMH source indication 2 (a pager or taskbar): window managers grant it as the user's own
    // request, where they may refuse an application asking for itself.
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = activeWindow;
    message.data.data32[0] = sourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, rootOf(id),
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

void X11WindowSystem::setInputShape(QWindow *window, const QList<QRect> &rects)
{
    if (!m_connection || !m_hasShape || !window)
        return;
    m_shapeBuffer.clear();
    m_shapeBuffer.reserve(size_t(rects.size()));
    for (const QRect &rect : rects) {
        if (rect.isEmpty())
            continue;
        m_shapeBuffer.push_back(xcb_rectangle_t { clampTo<int16_t>(rect.x()), clampTo<int16_t>(rect.y()),
            clampTo<uint16_t>(rect.width()), clampTo<uint16_t>(rect.height()) });
    }
    xcb_shape_rectangles(m_connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_YX_SORTED,
        static_cast<xcb_window_t>(window->winId()), 0, 0, static_cast<uint32_t>(m_shapeBuffer.size()),
        m_shapeBuffer.data());
    xcb_flush(m_connection);
}

bool X11WindowSystem::moveWindow(QWindow *window, QPoint topLeft)
{
    // Qt's own move rewrites the size hints, and each move the window manager confirms makes Qt
    // ask the server for the frame's extents, a round trip; a walking pet moves 60 times a second.
    if (!m_connection || !window || !window->handle() || !window->isVisible())
        return false;
    // Qt's coordinates are in points, the server's in device pixels. Qt scales each screen about
    // its own top-left corner, which keeps its place.
    const qreal ratio = window->devicePixelRatio();
    if (ratio != 1.0) {
        const QScreen *screen = QGuiApplication::screenAt(topLeft);
        if (!screen)
            screen = window->screen();
        const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
        topLeft = origin + (QPointF(topLeft - origin) * ratio).toPoint();
    }
    const auto native = static_cast<xcb_window_t>(window->winId());
    // Within its screen the window is where it was asked to be: Qt learns so now, and the window
    // manager's confirmation is left unread. Onto another screen, Qt follows the confirmation.
    QPlatformWindow *platform = window->handle();
    const QRect target(topLeft, platform->geometry().size());
    const QPlatformScreen *screen = window->screen() ? window->screen()->handle() : nullptr;
    const bool withinScreen = screen && screen->geometry().contains(target.center());
    if (withinScreen)
        quietenWhileMoving(window, native);
    else
        endQuietMoves();
    // The protocol reads these as signed 16-bit values.
    const uint32_t values[] = { static_cast<uint32_t>(topLeft.x()), static_cast<uint32_t>(topLeft.y()) };
    const xcb_void_cookie_t request
        = xcb_configure_window(m_connection, native, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    xcb_flush(m_connection);
    if (!withinScreen)
        return true;
    MovesInFlight &moves = m_movesInFlight[native];
    moves.targets.append(target);
    if (moves.targets.size() > maxUnconfirmedMoves)
        moves.targets.removeFirst();
    moves.lastRequest = request.sequence;
    moves.size = target.size();
    QWindowSystemInterface::handleGeometryChange<QWindowSystemInterface::SynchronousDelivery>(window, target);
    return true;
}

void X11WindowSystem::quietenWhileMoving(QWindow *window, quint32 native)
{
    // Even unread, each confirmation wakes two threads: while the window keeps moving it is not
    // sent at all (the window stops listening to its structure changes), and afterwards the
    // window is asked once where it ended.
    m_quietEnd.start();
    if (m_quietWindows.contains(native))
        return;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, native), nullptr));
    if (!attributes || !(attributes->your_event_mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY))
        return;
    const uint32_t quiet = attributes->your_event_mask & ~uint32_t(XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_change_window_attributes(m_connection, native, XCB_CW_EVENT_MASK, &quiet);
    m_quietWindows.insert(native, QuietWindow { window, attributes->your_event_mask });
    // Qt learns that a window is mapped from its structure changes: hidden, it listens again
    // before it can be shown.
    connect(window, &QWindow::visibleChanged, this, &X11WindowSystem::endQuietMoves, Qt::UniqueConnection);
}

void X11WindowSystem::endQuietMoves()
{
    m_quietEnd.stop();
    const auto quietWindows = std::exchange(m_quietWindows, {});
    for (auto it = quietWindows.begin(); it != quietWindows.end(); ++it) {
        QWindow *window = it->window;
        if (!window || !window->handle() || static_cast<quint32>(window->winId()) != it.key())
            continue; // gone with its native window
        disconnect(window, &QWindow::visibleChanged, this, &X11WindowSystem::endQuietMoves);
        const auto native = static_cast<xcb_window_t>(it.key());
        xcb_change_window_attributes(m_connection, native, XCB_CW_EVENT_MASK, &it->eventMask);
        m_movesInFlight.remove(it.key());
        if (!window->isVisible())
            continue;
        // Whatever moved it meanwhile went unheard: where the server has it is the truth.
        const auto geometryCookie = xcb_get_geometry(m_connection, native);
        const auto positionCookie = xcb_translate_coordinates(m_connection, native, rootOf(native), 0, 0);
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(m_connection, positionCookie, nullptr));
        if (!geometry || !position)
            continue;
        // Qt sends a move event only where this differs from what it last reported.
        QWindowSystemInterface::handleGeometryChange<QWindowSystemInterface::SynchronousDelivery>(
            window, QRect(position->dst_x, position->dst_y, geometry->width, geometry->height));
    }
    xcb_flush(m_connection);
}

bool X11WindowSystem::isConfirmedMove(const xcb_configure_notify_event_t &notify)
{
    const auto found = m_movesInFlight.find(notify.window);
    if (found == m_movesInFlight.end())
        return false;
    const QRect told(notify.x, notify.y, notify.width, notify.height);
    const qsizetype index = found->targets.indexOf(told);
    if (index >= 0) {
        found->targets.remove(0, index + 1);
        return true;
    }
    // Events carry the (low 16 bits of the) number of the last request the server had read from
    // this connection: a place reported before it read the last move is out of date.
    const auto sinceLastMove = static_cast<int16_t>(notify.sequence - static_cast<uint16_t>(found->lastRequest));
    if (sinceLastMove < 0 && told.size() == found->size)
        return true;
    // Somewhere else (the window manager kept it on screen, a drag): Qt hears of it as usual.
    m_movesInFlight.erase(found);
    return false;
}

bool X11WindowSystem::isCovered(QWindow *window)
{
    if (!m_connection || !window || m_stackingAtom == XCB_ATOM_NONE || !window->handle())
        return false;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = rootOf(id);
    Reply<xcb_get_property_reply_t> stacking(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, root, m_stackingAtom, XCB_ATOM_WINDOW, 0, 4096), nullptr));
    if (!stacking || stacking->format != 32)
        return false;
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(stacking.get()));
    const int count = xcb_get_property_value_length(stacking.get()) / int(sizeof(xcb_window_t));
    int ours = -1;
    for (int i = 0; i < count; ++i) {
        if (windows[i] == id)
            ours = i;
    }
    if (ours < 0)
        return false;

    // The list runs from bottom to top. Ask for every window's place at once, then read.
    struct Pending {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
    };
    std::vector<Pending> pending;
    pending.reserve(size_t(count - ours));
    for (int i = ours; i < count; ++i) {
        pending.push_back(
            { xcb_get_window_attributes(m_connection, windows[i]), xcb_get_geometry(m_connection, windows[i]),
                xcb_translate_coordinates(m_connection, windows[i], root, 0, 0) });
    }
    QRect ourRect;
    bool covered = false;
    for (size_t i = 0; i < pending.size(); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, pending[i].attributes, nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(m_connection, pending[i].geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(m_connection, pending[i].position, nullptr));
        if (!attributes || !geometry || !position)
            continue;
        const QRect rect(position->dst_x, position->dst_y, geometry->width, geometry->height);
        if (i == 0)
            ourRect = rect;
        else if (!covered && attributes->map_state == XCB_MAP_STATE_VIEWABLE && rect.intersects(ourRect))
            covered = true;
    }
    return covered;
}

std::optional<quint32> X11WindowSystem::desktop(QWindow *window) const
{
    if (!m_connection || !window || !window->handle())
        return std::nullopt;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection,
        xcb_get_property(
            m_connection, 0, static_cast<xcb_window_t>(window->winId()), m_desktopAtom, XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
}

QRegion X11WindowSystem::inputShape(QWindow *window) const
{
    QRegion region;
    if (!m_connection || !m_hasShape || !window || !window->handle())
        return region;
    Reply<xcb_shape_get_rectangles_reply_t> reply(xcb_shape_get_rectangles_reply(m_connection,
        xcb_shape_get_rectangles(m_connection, static_cast<xcb_window_t>(window->winId()), XCB_SHAPE_SK_INPUT),
        nullptr));
    if (!reply)
        return region;
    const xcb_rectangle_t *rects = xcb_shape_get_rectangles_rectangles(reply.get());
    const int count = xcb_shape_get_rectangles_rectangles_length(reply.get());
    for (int i = 0; i < count; ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    return region;
}

bool X11WindowSystem::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CONFIGURE_NOTIFY)
        return isConfirmedMove(*reinterpret_cast<const xcb_configure_notify_event_t *>(event));
    if (type != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
    if (notify->atom != m_stackingAtom || std::find(m_roots.begin(), m_roots.end(), notify->window) == m_roots.end())
        return false;
    // Stacking changes come in bursts; report them once, after the event is handled.
    if (!m_stackingNotificationQueued) {
        m_stackingNotificationQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_stackingNotificationQueued = false;
                emit stackingChanged();
            },
            Qt::QueuedConnection);
    }
    return false;
}
