#pragma once

#include <vector>

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

// The opaque part of a sprite frame, for letting clicks on its transparent pixels through.
// A frame's alpha mask is read once per distinct image; the rectangles are built only when the
// mask differs from the previous frame's.
class AlphaInputShape {
public:
    // Reads the frame's alpha. Returns true when its mask differs from the one held before.
    // A null frame has an empty mask.
    bool update(const QImage &frame);
    // Forgets the mask, so that the next update reports a change.
    void reset();

    QSize maskSize() const { return m_size; }
    bool isOpaqueAt(int x, int y) const;

    // The opaque pixels stretched over a target of the given size the way nearest-neighbour
    // painting stretches them, as rectangles sorted by y, then x. Rows with the same runs are
    // merged into one band.
    QList<QRect> rects(QSize target) const;

private:
    static int boundary(int index, int sourceLength, int targetLength);

    qint64 m_cacheKey = 0;
    QSize m_size;
    int m_wordsPerRow = 0;
    std::vector<quint64> m_bits;
    std::vector<quint64> m_scratch;
};
