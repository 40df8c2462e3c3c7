#pragma once

#include "behavior/AlphaInputShape.h"
#include "behavior/FrameLoopOutlet.h"

#include <optional>
#include <utility>

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

class WindowSystem;

// The pet's body: shows the current animation frame stretched over the whole window with no
// smoothing, and turns raw mouse events into gestures, emitted as signals; what a gesture means is
// the receiver's choice. It is the pet window
// itself (a top-level widget); PetWindowController creates and configures it.
//
// Clicks on fully transparent pixels of the frame fall through to what lies behind: the window's
// input shape follows the frame's alpha, updated only when that mask changes.
//
// A looping row can be left to the window system, which then plays it without waking the program
// (FrameLoopOutlet); a paint, a resize or a hide ends such a loop, and loopEnded says so.
class PetSpriteView final : public QWidget, public FrameLoopOutlet {
    Q_OBJECT

public:
    // Distance in points the mouse must travel from the press point before a press becomes a drag.
    static constexpr qreal tapThreshold = 6.0;
    // Scaled copies kept: the frames of the three rows a pet mostly shows (idle and a stroll each
    // way), which the animation player keeps too. The least recently shown goes first.
    static constexpr qsizetype maxScaledFrames = 24;
    static constexpr qsizetype maxDamageRegions = 128;

    explicit PetSpriteView(WindowSystem *windowSystem, QWidget *parent = nullptr);
    ~PetSpriteView() override;

    // Shows a frame, or nothing for a null image. Frames are premultiplied ARGB32; other formats
    // are converted first.
    void setFrame(const QImage &frame);
    const QImage &currentFrame() const { return m_frame; }

    // Ends a press in progress as a non-click: a drag ends with drag-end, a press that had not
    // become a drag ends silently. For when the application stops being the active one, so that
    // an interrupted drag still ends cleanly.
    void endPressWithoutClick();
    bool isPressed() const { return m_press.has_value(); }
    bool isDragging() const { return m_didDrag; }

    // Sends the current frame's input shape to the window system again; needed after the window
    // stopped being transparent for input, which resets the shape.
    void refreshInputShape();

    bool takeLoop(const QList<QImage> &frames, int intervalMs, qsizetype shown) override;
    qsizetype returnLoop() override;
    // Whether the window system plays a loop in the window now.
    bool isLooping() const { return !m_loopFrames.isEmpty(); }

signals:
    // The view ended the loop it had taken by itself, with that frame of it on screen.
    void loopEnded(qsizetype shown);
    // A left-button release without a drag: the first of any clicks.
    void clicked();
    // The release of a double (or further) click without a drag, Ctrl not held. A double-click
    // arrives as a click first and this second.
    void doubleClicked();
    // The same with Ctrl held.
    void ctrlDoubleClicked();
    // Once per press, when the mouse has moved far enough for the press to become a drag.
    void dragStarted();
    // When a press that became a drag ends, however it ends.
    void dragEnded();
    // A right-button press at the global mouse position.
    void contextMenuRequested(QPointF globalPosition);
    // During a drag, when the mouse moved more than 1 point horizontally since the previous drag
    // event: +1 to the right, -1 to the left.
    void draggedInDirection(int direction);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    const QImage &scaledFrame() { return scaled(m_frame); }
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Press {
        QPointF inWindow; // mouse position inside the window at the press
        QPointF onScreen; // global mouse position at the press
        int clickCount = 1;
    };

    bool ignoresInput() const;
    void beginPress(const QMouseEvent *event, int clickCount);
    void finishDrag(bool asClick, int clickCount, Qt::KeyboardModifiers modifiers);
    void requestContextMenu(const QMouseEvent *event);
    void applyInputShape();
    // Schedules the repaint from the frame shown so far to m_frame: only the tiles that differ.
    void updateChangedRegion(const QImage &previousScaled);
    QRegion toLogical(const QRegion &deviceRegion) const;
    // A frame at the window's size in device pixels, scaled once.
    const QImage &scaled(const QImage &frame);
    // Ends a loop taken earlier, for the view's own reasons.
    void endLoop();

    QPointer<WindowSystem> m_windowSystem;
    QImage m_frame;
    // Frames already scaled to the window's size in device pixels, by the frame's cache key: a
    // looping row is scaled once, not on every paint.
    struct Scaled {
        QImage image;
        quint64 lastUse = 0; // m_scaledUses when it was last asked for
    };
    QHash<qint64, Scaled> m_scaledFrames;
    quint64 m_scaledUses = 0;
    // What a step from one scaled frame to another repaints, by the two frames' cache keys:
    // computed once per pair, so a looping row compares its frames once.
    struct Damage {
        QRegion native; // in the window's device pixels
        QRegion logical; // in the view's coordinates
    };
    QHash<std::pair<qint64, qint64>, Damage> m_damage;
    const Damage &damageBetween(const QImage &fromScaled, const QImage &toScaled);
    // The frames of the loop the window system plays, empty when it plays none.
    QList<QImage> m_loopFrames;
    AlphaInputShape m_shape;
    std::optional<Press> m_press;
    qreal m_lastDragScreenX = 0;
    bool m_didDrag = false;
};
