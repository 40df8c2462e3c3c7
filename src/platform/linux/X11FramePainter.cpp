#include "platform/linux/X11FramePainter.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <xcb/xcb.h>

namespace {
// Larger images go up in bands of rows, each well under the server's request size limit.
constexpr int uploadBandBytes = 128 * 1024;
}

X11FramePainter::X11FramePainter(xcb_connection_t *connection)
    : m_connection(connection)
{
}

X11FramePainter::~X11FramePainter()
{
    for (Target &target : m_targets)
        release(target);
    if (m_connection)
        xcb_flush(m_connection);
}

void X11FramePainter::release(Target &target)
{
    if (!m_connection)
        return;
    for (const Kept &kept : std::as_const(target.frames))
        xcb_free_pixmap(m_connection, kept.pixmap);
    target.frames.clear();
    if (target.gc)
        xcb_free_gc(m_connection, target.gc);
    target.gc = 0;
}

void X11FramePainter::abandon()
{
    m_targets.clear();
    m_connection = nullptr;
}

void X11FramePainter::forget(quint32 window)
{
    auto found = m_targets.find(window);
    if (found == m_targets.end())
        return;
    release(*found);
    m_targets.erase(found);
    if (m_connection)
        xcb_flush(m_connection);
}

X11FramePainter::Target *X11FramePainter::target(quint32 window, QSize size)
{
    auto found = m_targets.find(window);
    if (found != m_targets.end() && found->size != size) {
        release(*found);
        m_targets.erase(found);
        found = m_targets.end();
    }
    if (found != m_targets.end())
        return found->depth ? &found.value() : nullptr;

    // Once per window and size: its depth tells whether our pixels suit it.
    Target created;
    created.size = size;
    xcb_get_geometry_reply_t *geometry
        = xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
    if (geometry && (geometry->depth == 32 || geometry->depth == 24)) {
        created.depth = geometry->depth;
        created.gc = xcb_generate_id(m_connection);
        const uint32_t noExposures = 0;
        xcb_create_gc(m_connection, created.gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    std::free(geometry);
    const auto inserted = m_targets.insert(window, created);
    return inserted->depth ? &inserted.value() : nullptr;
}

std::optional<X11FramePainter::Source> X11FramePainter::kept(quint32 window, const QImage &frame) const
{
    const auto found = m_targets.constFind(window);
    if (found == m_targets.cend() || !found->depth || found->size != frame.size())
        return std::nullopt;
    for (const Kept &kept : found->frames) {
        if (kept.key == frame.cacheKey())
            return Source { found->gc, kept.pixmap };
    }
    return std::nullopt;
}

quint32 X11FramePainter::upload(quint32 window, const Target &target, const QImage &frame)
{
    const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
    xcb_create_pixmap(m_connection, target.depth, pixmap, window, uint16_t(frame.width()), uint16_t(frame.height()));
    const int stride = int(frame.bytesPerLine());
    const int rowsPerBand = std::max(1, uploadBandBytes / stride);
    for (int top = 0; top < frame.height(); top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, frame.height() - top);
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, target.gc, uint16_t(frame.width()),
            uint16_t(rows), 0, int16_t(top), 0, target.depth, uint32_t(stride * rows), frame.constScanLine(top));
    }
    return pixmap;
}

bool X11FramePainter::draw(quint32 window, const QImage &frame, const QRegion &region)
{
    if (!m_connection || !window || frame.isNull() || frame.format() != QImage::Format_ARGB32_Premultiplied
        || frame.width() > 0x7fff || frame.height() > 0x7fff || frame.sizeInBytes() * keptFrames > maxKeptBytes)
        return false;
    Target *kept = target(window, frame.size());
    if (!kept)
        return false;

    const auto same = [key = frame.cacheKey()](const Kept &k) { return k.key == key; };
    auto found = std::find_if(kept->frames.begin(), kept->frames.end(), same);
    Kept entry;
    if (found != kept->frames.end()) {
        entry = *found;
        kept->frames.erase(found);
    } else {
        if (kept->frames.size() >= keptFrames)
            xcb_free_pixmap(m_connection, kept->frames.takeFirst().pixmap);
        entry = Kept { frame.cacheKey(), upload(window, *kept, frame) };
    }
    kept->frames.append(entry);

    const QRect bounds = frame.rect();
    for (const QRect &rect : region) {
        const QRect part = rect & bounds;
        if (part.isEmpty())
            continue;
        xcb_copy_area(m_connection, entry.pixmap, window, kept->gc, int16_t(part.x()), int16_t(part.y()),
            int16_t(part.x()), int16_t(part.y()), uint16_t(part.width()), uint16_t(part.height()));
    }
    xcb_flush(m_connection);
    return true;
}
