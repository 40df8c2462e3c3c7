#include "behavior/AlphaInputShape.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int bitsPerWord = 64;

bool bit(const std::vector<quint64> &bits, int wordsPerRow, int x, int y)
{
    return (bits[size_t(y * wordsPerRow + x / bitsPerWord)] >> (x % bitsPerWord)) & 1u;
}
}

bool AlphaInputShape::update(const QImage &frame)
{
    if (frame.isNull()) {
        const bool changed = m_mask != nullptr;
        reset();
        return changed;
    }
    std::shared_ptr<const Mask> mask = m_remembered.value(frame.cacheKey());
    if (!mask || mask->size != frame.size()) {
        mask = read(frame);
        if (m_remembered.size() >= maxRememberedImages)
            m_remembered.clear();
        m_remembered.insert(frame.cacheKey(), mask);
    }
    if (!m_recent.isEmpty() && m_recent.constLast()->size != mask->size)
        m_recent.clear();
    // A looping row shows the same masks again and again: the union stays what it was as long as
    // no mask joins or leaves the recent ones.
    const bool known = m_recent.contains(mask);
    m_recent.append(mask);
    const std::shared_ptr<const Mask> left = m_recent.size() > heldFrames ? m_recent.takeFirst() : nullptr;
    if (m_mask && known && (!left || m_recent.contains(left)))
        return false;
    std::shared_ptr<const Mask> shape = unionOfRecent();
    // The held shape keeps its rectangles when nothing changed.
    const bool same = m_mask && m_mask->size == shape->size && m_mask->bits == shape->bits;
    if (!same)
        m_mask = std::move(shape);
    return !same;
}

std::shared_ptr<const AlphaInputShape::Mask> AlphaInputShape::unionOfRecent() const
{
    const Mask &newest = *m_recent.constLast();
    auto merged = std::make_shared<Mask>();
    merged->size = newest.size;
    merged->wordsPerRow = newest.wordsPerRow;
    merged->bits = newest.bits;
    for (const auto &mask : m_recent) {
        for (size_t i = 0; i < merged->bits.size(); ++i)
            merged->bits[i] |= mask->bits[i];
    }
    return merged;
}

std::shared_ptr<const AlphaInputShape::Mask> AlphaInputShape::read(const QImage &frame)
{
    auto mask = std::make_shared<Mask>();
    const int width = frame.width();
    const int height = frame.height();
    const int wordsPerRow = (width + bitsPerWord - 1) / bitsPerWord;
    mask->size = frame.size();
    mask->wordsPerRow = wordsPerRow;
    mask->bits.assign(size_t(wordsPerRow) * size_t(height), 0);
    const bool hasAlpha = frame.hasAlphaChannel();
    const bool readable
        = frame.format() == QImage::Format_ARGB32_Premultiplied || frame.format() == QImage::Format_ARGB32;
    const QImage source = hasAlpha && !readable ? frame.convertToFormat(QImage::Format_ARGB32_Premultiplied) : frame;
    for (int y = 0; y < height; ++y) {
        quint64 *row = mask->bits.data() + size_t(y) * size_t(wordsPerRow);
        if (!hasAlpha) {
            std::fill(row, row + wordsPerRow, ~quint64(0));
            if (width % bitsPerWord)
                row[wordsPerRow - 1] = (quint64(1) << (width % bitsPerWord)) - 1;
            continue;
        }
        const auto *pixels = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(pixels[x]) != 0)
                row[x / bitsPerWord] |= quint64(1) << (x % bitsPerWord);
        }
    }
    return mask;
}

void AlphaInputShape::reset()
{
    m_mask.reset();
    m_recent.clear();
    m_remembered.clear();
}

bool AlphaInputShape::isOpaqueAt(int x, int y) const
{
    if (!m_mask || x < 0 || y < 0 || x >= m_mask->size.width() || y >= m_mask->size.height())
        return false;
    return bit(m_mask->bits, m_mask->wordsPerRow, x, y);
}

int AlphaInputShape::boundary(int index, int sourceLength, int targetLength)
{
    // The first target pixel whose centre samples source pixel `index`.
    return std::clamp(int(std::ceil(double(index) * targetLength / sourceLength - 0.5)), 0, targetLength);
}

QList<QRect> AlphaInputShape::rects(QSize target) const
{
    if (!m_mask || m_mask->size.isEmpty() || target.isEmpty())
        return {};
    if (m_mask->rectsTarget != target) {
        m_mask->rects = buildRects(*m_mask, target);
        m_mask->rectsTarget = target;
    }
    return m_mask->rects;
}

QList<QRect> AlphaInputShape::buildRects(const Mask &mask, QSize target)
{
    QList<QRect> result;
    const int width = mask.size.width();
    const int height = mask.size.height();

    // Runs of opaque pixels of the band being built, in source columns.
    std::vector<std::pair<int, int>> bandRuns;
    std::vector<std::pair<int, int>> rowRuns;
    int bandStart = 0;
    auto closeBand = [&](int bandEnd) {
        const int top = boundary(bandStart, height, target.height());
        const int bottom = boundary(bandEnd, height, target.height());
        if (bottom <= top)
            return;
        for (const auto &[from, to] : bandRuns) {
            const int left = boundary(from, width, target.width());
            const int right = boundary(to, width, target.width());
            if (right > left)
                result.append(QRect(left, top, right - left, bottom - top));
        }
    };
    for (int y = 0; y < height; ++y) {
        rowRuns.clear();
        int x = 0;
        while (x < width) {
            while (x < width && !bit(mask.bits, mask.wordsPerRow, x, y))
                ++x;
            const int from = x;
            while (x < width && bit(mask.bits, mask.wordsPerRow, x, y))
                ++x;
            if (x > from)
                rowRuns.emplace_back(from, x);
        }
        if (y == 0) {
            bandRuns.swap(rowRuns);
        } else if (rowRuns != bandRuns) {
            closeBand(y);
            bandStart = y;
            bandRuns.swap(rowRuns);
        }
    }
    closeBand(height);
    return result;
}
