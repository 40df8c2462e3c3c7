#pragma once

#include <optional>

#include <QRectF>
#include <QSizeF>

// Where the speech bubble goes and what shape it has, in Qt's global coordinates (y grows
// downward). Pure functions: no windows, no screens.
class SpeechBubbleLayout {
public:
    // Down: the bubble sits above the pet and its tail hangs from the bottom edge.
    // Up: the bubble sits below the pet and its tail rises from the top edge.
    enum class TailDirection { Down, Up };

    struct Placement {
        QRectF frame; // the bubble window
        qreal tailX = 0; // the tail tip in bubble coordinates, kept clear of the rounded corners
        TailDirection tail = TailDirection::Down;
    };

    static constexpr qreal maxTextWidth = 220;
    static constexpr qreal textInsetX = 12;
    static constexpr qreal textInsetY = 9;
    static constexpr qreal tailHeight = 8;
    static constexpr qreal tailHalfWidth = 7;
    static constexpr qreal cornerRadius = 12;
    static constexpr qreal minimumWidth = 80;
    static constexpr qreal minimumHeight = 40;
    static constexpr qreal petGap = 6; // between the pet window and the bubble
    static constexpr qreal screenMargin = 4; // from the sides of the available area
    static constexpr qreal topMargin = 8; // a bubble above the pet must stay this far from the top

    // The bubble's size for text of the measured size (at most maxTextWidth wide).
    static QSizeF bubbleSize(QSizeF textSize);
    // The tallest text whose bubble still fits an available area of the given height.
    static qreal maxTextHeight(qreal availableHeight);

    // Places a bubble of the given size (whole points) for the pet window's frame inside the available area of
    // its screen: above the pet unless that would come within topMargin of the area's top, then
    // below; horizontally centred on the pet but screenMargin inside the area, the left margin
    // winning when the bubble is wider than the area. Without a screen nothing is clamped and
    // the bubble always goes above.
    static Placement place(const QRectF &pet, QSizeF bubble, const std::optional<QRectF> &available);

    // Keeps a showing bubble attached to a pet that moved: same size and tail direction,
    // centred on the pet, not clamped to the screen.
    static Placement follow(const QRectF &pet, QSizeF bubble, TailDirection tail);

    // The tail tip for the pet's centre line at x (bubble coordinates), kept 19 points from the
    // corners: the corner radius plus half the tail.
    static qreal tailTip(qreal petCentreX, qreal bubbleWidth);

    // The rounded body inside a bubble of the given size, leaving room for the tail.
    static QRectF bodyRect(QSizeF bubble, TailDirection tail);
};
