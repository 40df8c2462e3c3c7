#include "petwindow/FrameDamage.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
bool comparable(const QImage &image)
{
    return !image.isNull() && image.depth() == 32;
}
}

QRegion FrameDamage::between(const QImage &from, const QImage &to)
{
    if (to.isNull())
        return {};
    const QRect whole = to.rect();
    if (!comparable(from) || !comparable(to) || from.size() != to.size() || from.format() != to.format())
        return QRegion(whole);

    const int width = to.width();
    const int height = to.height();
    const int columns = (width + tileSize - 1) / tileSize;
    std::vector<QRect> rects;
    std::vector<bool> dirty(static_cast<size_t>(columns));
    for (int top = 0; top < height; top += tileSize) {
        const int bottom = std::min(top + tileSize, height);
        std::fill(dirty.begin(), dirty.end(), false);
        for (int y = top; y < bottom; ++y) {
            const auto *a = reinterpret_cast<const quint32 *>(from.constScanLine(y));
            const auto *b = reinterpret_cast<const quint32 *>(to.constScanLine(y));
            if (std::memcmp(a, b, static_cast<size_t>(width) * sizeof(quint32)) == 0)
                continue;
            for (int column = 0; column < columns; ++column) {
                if (dirty[static_cast<size_t>(column)])
                    continue;
                const int left = column * tileSize;
                const int span = std::min(tileSize, width - left);
                if (std::memcmp(a + left, b + left, static_cast<size_t>(span) * sizeof(quint32)) != 0)
                    dirty[static_cast<size_t>(column)] = true;
            }
        }
        // Runs of dirty tiles in this band, left to right: already in the y-x order a region
        // wants, and never overlapping.
        for (int column = 0; column < columns;) {
            if (!dirty[static_cast<size_t>(column)]) {
                ++column;
                continue;
            }
            const int first = column;
            while (column < columns && dirty[static_cast<size_t>(column)])
                ++column;
            const int left = first * tileSize;
            const int right = std::min(column * tileSize, width);
            rects.emplace_back(left, top, right - left, bottom - top);
        }
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

double FrameDamage::coverage(const QRegion &region, QSize frameSize)
{
    const double area = double(frameSize.width()) * frameSize.height();
    if (area <= 0)
        return 0;
    double covered = 0;
    for (const QRect &rect : region)
        covered += double(rect.width()) * rect.height();
    return std::min(1.0, covered / area);
}
