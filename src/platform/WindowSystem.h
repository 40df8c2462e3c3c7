#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QRegion>

class QWindow;

// What the pet and its bubble need from the window system beyond what Qt offers: presence on
// every virtual desktop, a pointer-input shape, and stacking information. Every operation does
// nothing when the window or the window system is unavailable.
class WindowSystem : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~WindowSystem() override = default;

    // Shows the window on every virtual desktop, now and after it is next mapped.
    virtual void setOnAllDesktops(QWindow *window) = 0;
    // Limits pointer input to the rectangles, given in the window's native pixels and sorted by
    // y, then x. An empty list lets every click through.
    virtual void setInputShape(QWindow *window, const QList<QRect> &rects) = 0;
    // Whether a visible window stacked above this one overlaps it.
    virtual bool isCovered(QWindow *window) = 0;
    // Whether a mapped window is listed in taskbars, pagers and window switchers.
    virtual void setListedInTaskbar(QWindow *window, bool listed) = 0;
    // Asks for the window's top-left corner to move, the cheap way for many small steps; Qt learns
    // the new place when the window system confirms it. False when this must be left to Qt.
    virtual bool moveWindow(QWindow *window, QPoint topLeft) = 0;
    // Gives a window the keyboard the way a taskbar does, for window managers that keep new
    // windows from taking the focus themselves.
    virtual void activate(QWindow *window) = 0;
    // Draws the region (native pixels) of a frame the window's native size, premultiplied ARGB32,
    // straight into the window, for a window repainted many times a second: cheaper than the
    // toolkit's painting, which must then still paint the same frame on exposures. The window
    // system may keep recent frames, by cache key, on its side. False when Qt must paint it.
    virtual bool drawFrame(QWindow *window, const QImage &frame, const QRegion &region)
    {
        Q_UNUSED(window);
        Q_UNUSED(frame);
        Q_UNUSED(region);
        return false;
    }
    // Lets go of the frames kept for the window (its size changed, or it is going away).
    virtual void forgetFrames(QWindow *window) { Q_UNUSED(window); }

    // One frame of a loop: the frame, as given to drawFrame, and the region (native pixels) that
    // changes when it follows the frame before it in the loop.
    struct LoopFrame {
        QImage frame;
        QRegion damage;
    };
    // Plays frames in a loop in the window by itself, without waking the caller, one every
    // interval and each drawn as drawFrame would: frames[shown] is in the window now and the next
    // is due one interval from now. Every frame must have been drawn with drawFrame lately.
    // Drawing or forgetting the window's frames, or another loop, ends it first. False when the
    // window system cannot.
    virtual bool playLoop(QWindow *window, const QList<LoopFrame> &frames, int intervalMs, qsizetype shown)
    {
        Q_UNUSED(window);
        Q_UNUSED(frames);
        Q_UNUSED(intervalMs);
        Q_UNUSED(shown);
        return false;
    }
    // Ends the window's loop; returns the index of the frame in the window, or -1 when none played.
    virtual qsizetype stopLoop(QWindow *window)
    {
        Q_UNUSED(window);
        return -1;
    }

signals:
    // The stacking order of the desktop's windows changed.
    void stackingChanged();
};
