#pragma once

#include "platform/WindowSystem.h"

#include <QHash>
#include <QSet>
#include <QWindow>

// Records what the pet and its bubble ask of the window system, for tests that run without one.
class FakeWindowSystem final : public WindowSystem {
public:
    using WindowSystem::WindowSystem;

    void setOnAllDesktops(QWindow *window) override { onAllDesktops.insert(window); }
    void setInputShape(QWindow *window, const QList<QRect> &rects) override
    {
        ++shapeUpdates;
        shapes.insert(window, rects);
    }
    bool isCovered(QWindow *) override { return false; }
    void setListedInTaskbar(QWindow *window, bool listed) override { listedInTaskbar.insert(window, listed); }
    bool moveWindow(QWindow *, QPoint) override { return false; }
    void activate(QWindow *window) override { activated.append(window); }
    // Records the cache key of every frame the window is asked to draw; draws them (returns true)
    // only when drawsFrames is set, else Qt paints them as it would without a window system.
    bool drawFrame(QWindow *, const QImage &frame, const QRegion &) override
    {
        drawnFrames.append(frame.cacheKey());
        return drawsFrames;
    }
    bool drawsFrames = false;
    QList<qint64> drawnFrames;
    QHash<QWindow *, bool> listedInTaskbar;
    QList<QWindow *> activated;

    QSet<QWindow *> onAllDesktops;
    QHash<QWindow *, QList<QRect>> shapes;
    int shapeUpdates = 0;
};
