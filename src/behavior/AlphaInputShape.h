#pragma once

#include <memory>
#include <vector>

#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

// The opaque part of a sprite frame, for letting clicks on its transparent pixels through.
// The player shows the same few images over and over, so masks are remembered per image (up to
// maxRememberedImages of them) and rectangles per mask and target size: a looping row costs a
// lookup and a comparison per frame.
class AlphaInputShape {
public:
    // Reads the frame's alpha. Returns true when its mask differs from the one held before.
    // A null frame has an empty mask.
    bool update(const QImage &frame);
    // Forgets the mask, so that the next update reports a change.
    void reset();

    static constexpr qsizetype maxRememberedImages = 64;

    QSize maskSize() const { return m_mask ? m_mask->size : QSize(); }
    bool isOpaqueAt(int x, int y) const;

    // The opaque pixels stretched over a target of the given size the way nearest-neighbour
    // painting stretches them, as rectangles sorted by y, then x. Rows with the same runs are
    // merged into one band.
    QList<QRect> rects(QSize target) const;

private:
    struct Mask {
        QSize size;
        int wordsPerRow = 0;
        std::vector<quint64> bits;
        // The rectangles for the last target size asked for.
        mutable QSize rectsTarget;
        mutable QList<QRect> rects;
    };

    static std::shared_ptr<const Mask> read(const QImage &frame);
    static QList<QRect> buildRects(const Mask &mask, QSize target);
    static int boundary(int index, int sourceLength, int targetLength);

    std::shared_ptr<const Mask> m_mask;
    QHash<qint64, std::shared_ptr<const Mask>> m_remembered;
};
