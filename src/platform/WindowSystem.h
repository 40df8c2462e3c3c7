#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

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

signals:
    // The stacking order of the desktop's windows changed.
    void stackingChanged();
};
