#pragma once

#include <memory>
#include <vector>

#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

// The opaque part of the recent sprite frames, for letting clicks on transparent pixels through.
// The shape is the union of the masks of the last heldFrames frames shown: a looping row settles
// on one shape during its first loop instead of reshaping the window on every frame (each reshape
// makes the X server and the compositor redo the window's regions, which costs them more than
// drawing the frame). A pixel that is transparent now but opaque in one of those recent frames
// still takes the click: at most the outline of a breathing or blinking pet.
// The player shows the same few images over and over, so masks are remembered per image (up to
// maxRememberedImages of them) and rectangles per mask and target size.
class AlphaInputShape {
public:
    static constexpr qsizetype heldFrames = 16;

    // Reads the frame's alpha into the shape. Returns true when the shape differs from the one
    // held before. A null frame empties the shape at once.
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
    // The union of the recent masks (all of the same size).
    std::shared_ptr<const Mask> unionOfRecent() const;
    static QList<QRect> buildRects(const Mask &mask, QSize target);
    static int boundary(int index, int sourceLength, int targetLength);

    std::shared_ptr<const Mask> m_mask;
    // The masks of the last frames shown, oldest first, all of one size.
    QList<std::shared_ptr<const Mask>> m_recent;
    QHash<qint64, std::shared_ptr<const Mask>> m_remembered;
};
