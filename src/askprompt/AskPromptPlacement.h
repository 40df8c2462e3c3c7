#pragma once

#include <QPoint>
#include <QRect>

// Where the Ask prompt opens: above the pet, 16 points apart, or below it when it would stick out
// at the top; centred on the pet; then kept 8 points inside the screen's visible area. On a
// screen too small for the panel the left and the bottom margins win.
namespace AskPromptPlacement {
inline constexpr int width = 420;
inline constexpr int heightWithKey = 64;
inline constexpr int heightWithoutKey = 100;
inline constexpr int gap = 16;
inline constexpr int screenMargin = 8;

QPoint origin(const QRect &petFrame, const QRect &visibleArea, int panelHeight);
}
