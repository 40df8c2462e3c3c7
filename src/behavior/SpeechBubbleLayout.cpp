#include "behavior/SpeechBubbleLayout.h"

#include <algorithm>
#include <cmath>

QSizeF SpeechBubbleLayout::bubbleSize(QSizeF textSize)
{
    const qreal width = std::ceil(textSize.width()) + 2 * textInsetX;
    const qreal height = std::ceil(textSize.height()) + 2 * textInsetY + tailHeight;
    return { std::max(width, minimumWidth), std::max(height, minimumHeight) };
}

qreal SpeechBubbleLayout::maxTextHeight(qreal availableHeight)
{
    return std::max(availableHeight - 2 * textInsetY - tailHeight, qreal(0));
}

SpeechBubbleLayout::Placement SpeechBubbleLayout::place(
    const QRectF &pet, QSizeF bubble, const std::optional<QRectF> &available)
{
    const qreal width = bubble.width();
    const qreal height = bubble.height();
    const qreal petCentre = pet.x() + pet.width() / 2;

    // Whole points, so that the window lands exactly where the tail was aimed.
    qreal x = std::round(petCentre - width / 2);
    qreal y = std::round(pet.y() - petGap - height);
    TailDirection tail = TailDirection::Down;
    if (available) {
        if (y < available->y() + topMargin) {
            y = std::round(pet.y() + pet.height() + petGap);
            tail = TailDirection::Up;
        }
        const qreal areaRight = available->x() + available->width();
        x = std::min(x, areaRight - width - screenMargin);
        x = std::max(x, available->x() + screenMargin);
    }
    return { QRectF(x, y, width, height), tailTip(petCentre - x, width), tail };
}

SpeechBubbleLayout::Placement SpeechBubbleLayout::follow(const QRectF &pet, QSizeF bubble, TailDirection tail)
{
    const qreal petCentre = pet.x() + pet.width() / 2;
    const qreal x = std::round(petCentre - bubble.width() / 2);
    const qreal y = std::round(
        tail == TailDirection::Down ? pet.y() - petGap - bubble.height() : pet.y() + pet.height() + petGap);
    return { QRectF(QPointF(x, y), bubble), tailTip(petCentre - x, bubble.width()), tail };
}

qreal SpeechBubbleLayout::tailTip(qreal petCentreX, qreal bubbleWidth)
{
    const qreal clearance = cornerRadius + tailHalfWidth;
    return std::min(std::max(petCentreX, clearance), bubbleWidth - clearance);
}

QRectF SpeechBubbleLayout::bodyRect(QSizeF bubble, TailDirection tail)
{
    const qreal top = tail == TailDirection::Up ? tailHeight : 0;
    return { 0, top, bubble.width(), bubble.height() - tailHeight };
}
