#pragma once

#include "platform/WindowSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QTimer>

struct xcb_connection_t;
class X11FramePainter;
class X11LoopPlayer;
struct xcb_rectangle_t;
struct xcb_configure_notify_event_t;

// The window system on an X server, through the connection Qt's xcb platform opened. Without one
// (another platform plug-in, tests offscreen) every operation does nothing.
class X11WindowSystem final : public WindowSystem, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit X11WindowSystem(QObject *parent = nullptr);
    ~X11WindowSystem() override;

    void setOnAllDesktops(QWindow *window) override;
    void setInputShape(QWindow *window, const QList<QRect> &rects) override;
    bool isCovered(QWindow *window) override;
    void setListedInTaskbar(QWindow *window, bool listed) override;
    bool moveWindow(QWindow *window, QPoint topLeft) override;
    void activate(QWindow *window) override;
    bool drawFrame(QWindow *window, const QImage &frame, const QRegion &region) override;
    void forgetFrames(QWindow *window) override;
    bool playLoop(QWindow *window, const QList<LoopFrame> &frames, int intervalMs, qsizetype shown) override;
    qsizetype stopLoop(QWindow *window) override;

    bool isAvailable() const { return m_connection != nullptr; }
    // What the X server holds for a window, read back for diagnostics and tests.
    std::optional<quint32> desktop(QWindow *window) const;
    QRegion inputShape(QWindow *window) const;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    quint32 rootOf(quint32 window) const;
    void watchRootProperties();
    // Whether the server reports a move made here, already known to Qt; it is then dropped.
    bool isConfirmedMove(const xcb_configure_notify_event_t &notify);
    void quietenWhileMoving(QWindow *window, quint32 native);
    void endQuietMoves();
    // Ends a loop playing in the native window.
    void stopLoopIn(quint32 native);

    xcb_connection_t *m_connection = nullptr;
    bool m_hasShape = false;
    std::unique_ptr<X11FramePainter> m_framePainter;
    std::unique_ptr<X11LoopPlayer> m_loopPlayer; // made for the first loop
    // The native window each drawn-into window had, to let go of its frames when it changes.
    QHash<QWindow *, quint32> m_drawnWindows;
    // Per native window, the geometries it was moved to that the server has yet to report, and
    // the number and size of the last move's request.
    struct MovesInFlight {
        QList<QRect> targets;
        uint32_t lastRequest = 0;
        QSize size;
    };
    QHash<quint32, MovesInFlight> m_movesInFlight;
    // Windows moving now, which do not hear of their structure changes meanwhile, by native
    // window, with the event mask they had.
    struct QuietWindow {
        QPointer<QWindow> window;
        uint32_t eventMask = 0;
    };
    QHash<quint32, QuietWindow> m_quietWindows;
    QTimer m_quietEnd;
    quint32 m_desktopAtom = 0;
    quint32 m_stackingAtom = 0;
    std::vector<quint32> m_roots;
    std::vector<xcb_rectangle_t> m_shapeBuffer; // reused between shape updates
    bool m_stackingNotificationQueued = false;
};
