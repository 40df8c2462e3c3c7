#include "widgets/FocusRing.h"

#include "widgets/Theme.h"

#include <QPainter>

bool FocusRing::isKeyboardReason(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

void FocusRing::paint(QPainter &painter, const QRectF &control, double radius)
{
    QColor ring = Theme::Accent::base;
    ring.setAlphaF(0.4);
    painter.save();
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(control.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    painter.restore();
}
