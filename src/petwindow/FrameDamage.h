#pragma once

#include <QImage>
#include <QRegion>

// Where two frames of an animation differ, in whole tiles: what a window showing one must repaint
// to show the other. A looping row changes only a few pixels from one frame to the next (an eye
// blinks, a paw lifts), so repainting, uploading and compositing just those tiles costs a fraction
// of a full frame.
class FrameDamage {
public:
    // Tile edge in pixels. Small enough to follow a blink, large enough that a region stays a
    // handful of rectangles.
    static constexpr int tileSize = 16;

    // The tiles of `to` whose pixels differ from those of `from`, in `to`'s pixel coordinates.
    // Frames of different sizes or formats, or a null one, differ everywhere (all of `to`).
    // Both frames are compared as 32-bit pixels; other formats count as different everywhere.
    static QRegion between(const QImage &from, const QImage &to);

    // The share of the frame's area (0 ... 1) a region covers.
    static double coverage(const QRegion &region, QSize frameSize);
};
