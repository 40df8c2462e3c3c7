#pragma once

#include <QRectF>
#include <Qt>

class QPainter;

// The ring a control shows while it has focus from the keyboard: 2 px of accent at 40 % around it.
namespace FocusRing {
// Room a control leaves around itself for the ring.
inline constexpr int margin = 3;

bool isKeyboardReason(Qt::FocusReason reason);
// Draws the ring around a control's shape with the given corner radius.
void paint(QPainter &painter, const QRectF &control, double radius);
}
