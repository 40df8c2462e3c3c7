#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QRegion>

#include <optional>

struct xcb_connection_t;

// Draws animation frames straight into X windows, the way the classic X11 pets do: each frame is
// uploaded once into a pixmap on the server and then shown by copying the parts that changed, a
// request of a few bytes. The last keptFrames frames of each window stay on the server, so a
// looping row is uploaded during its first loop only, and a pet going between its idle row and a
// stroll each way uploads nothing more.
class X11FramePainter {
public:
    static constexpr qsizetype keptFrames = 24;
    // What the kept frames of one window may take of the server's memory: frames too large for
    // all of them to fit are left to Qt, which sends only the changed tiles.
    static constexpr qsizetype maxKeptBytes = 24 * 1024 * 1024;

    explicit X11FramePainter(xcb_connection_t *connection);
    ~X11FramePainter();
    X11FramePainter(const X11FramePainter &) = delete;
    X11FramePainter &operator=(const X11FramePainter &) = delete;

    // Copies the region (window pixels) of the frame, a premultiplied ARGB32 image of the window's
    // size, into the window. False, drawing nothing, when the window's depth or the image does not
    // suit, or the image is too large to keep (the caller paints through Qt then).
    bool draw(quint32 window, const QImage &frame, const QRegion &region);
    // Where a frame drawn into the window lately is kept: the window's graphics context and the
    // frame's pixmap. Nothing when it is not kept.
    struct Source {
        quint32 gc = 0;
        quint32 pixmap = 0;
    };
    std::optional<Source> kept(quint32 window, const QImage &frame) const;
    // Frees what is kept for the window: after it was resized or destroyed.
    void forget(quint32 window);
    // Drops everything without a request, for when the connection is already gone.
    void abandon();

private:
    struct Kept {
        qint64 key = 0;
        quint32 pixmap = 0;
    };
    struct Target {
        quint8 depth = 0;
        quint32 gc = 0;
        QSize size;
        QList<Kept> frames; // least recently shown first
    };

    Target *target(quint32 window, QSize size);
    quint32 upload(quint32 window, const Target &target, const QImage &frame);
    void release(Target &target);

    xcb_connection_t *m_connection;
    QHash<quint32, Target> m_targets;
};
