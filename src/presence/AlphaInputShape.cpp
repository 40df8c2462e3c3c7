#include "presence/AlphaInputShape.h"

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
        const bool changed = !m_size.isEmpty() || m_cacheKey != 0;
        reset();
        return changed;
    }
    // The player shows the same few images over and over; an image already read is unchanged.
    if (frame.cacheKey() == m_cacheKey && frame.size() == m_size)
        return false;

    const int width = frame.width();
    const int height = frame.height();
    const int wordsPerRow = (width + bitsPerWord - 1) / bitsPerWord;
    m_scratch.assign(size_t(wordsPerRow) * size_t(height), 0);
    const bool hasAlpha = frame.hasAlphaChannel();
    const bool readable
        = frame.format() == QImage::Format_ARGB32_Premultiplied || frame.format() == QImage::Format_ARGB32;
    const QImage source = hasAlpha && !readable ? frame.convertToFormat(QImage::Format_ARGB32_Premultiplied) : frame;
    for (int y = 0; y < height; ++y) {
        quint64 *row = m_scratch.data() + size_t(y) * size_t(wordsPerRow);
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

    m_cacheKey = frame.cacheKey();
    if (frame.size() == m_size && m_scratch == m_bits)
        return false;
    m_size = frame.size();
    m_wordsPerRow = wordsPerRow;
    m_bits.swap(m_scratch);
    return true;
}

void AlphaInputShape::reset()
{
    m_cacheKey = 0;
    m_size = QSize();
    m_wordsPerRow = 0;
    m_bits.clear();
}

bool AlphaInputShape::isOpaqueAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size.width() || y >= m_size.height())
        return false;
    return bit(m_bits, m_wordsPerRow, x, y);
}

int AlphaInputShape::boundary(int index, int sourceLength, int targetLength)
{
    // The first target pixel whose centre samples source pixel `index`.
    return std::clamp(int(std::ceil(double(index) * targetLength / sourceLength - 0.5)), 0, targetLength);
}

QList<QRect> AlphaInputShape::rects(QSize target) const
{
    QList<QRect> result;
    if (m_size.isEmpty() || target.isEmpty())
        return result;
    const int width = m_size.width();
    const int height = m_size.height();

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
            while (x < width && !bit(m_bits, m_wordsPerRow, x, y))
                ++x;
            const int from = x;
            while (x < width && bit(m_bits, m_wordsPerRow, x, y))
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
