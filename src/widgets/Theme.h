#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

// Tamsel's look, defined once: colours, type sizes, radii and spacing that every window is built
// from. Light surfaces stay light under a dark desktop theme.
namespace Theme {
namespace Ink {
inline const QColor primary { 0x1F, 0x1F, 0x24 };
inline const QColor secondary { 0x5B, 0x5B, 0x66 };
inline const QColor tertiary { 0x8E, 0x8E, 0x99 };
}
namespace Surface {
inline const QColor window { 0xF6, 0xF5, 0xF2 };
inline const QColor card { 0xFF, 0xFF, 0xFF };
inline const QColor cardBorder { 0xE6, 0xE3, 0xDC };
inline const QColor sidebar { 0xEF, 0xED, 0xE8 };
}
namespace Accent {
inline const QColor base { 0xD9, 0x82, 0x2B };
inline const QColor hover { 0xC4, 0x73, 0x1F };
inline const QColor onAccent { 0xFF, 0xFF, 0xFF };
}
namespace Status {
inline const QColor ok { 0x2E, 0x9E, 0x5B };
inline const QColor error { 0xD6, 0x45, 0x45 };
inline const QColor busy { 0x8E, 0x8E, 0x99 };
}
namespace Radius {
inline constexpr int window = 12;
inline constexpr int control = 8;
inline constexpr int pill = 999;
}
namespace Space {
inline constexpr int xs = 4;
inline constexpr int s = 8;
inline constexpr int m = 12;
inline constexpr int l = 16;
inline constexpr int xl = 24;
}
namespace TypeSize {
inline constexpr int caption = 11;
inline constexpr int body = 13;
inline constexpr int cardTitle = 15;
inline constexpr int paneTitle = 20;
}
namespace PanelShadow {
inline constexpr double opacity = 0.18;
inline constexpr int blur = 24;
inline constexpr int offsetY = 6;
}

// Inter when it is installed, else the desktop's sans-serif, at a size in pixels.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
// A label in the given type size, weight and ink; the one way text is styled in a pane.
QLabel *label(const QString &text, int pixelSize, QFont::Weight weight, const QColor &ink, QWidget *parent = nullptr);
// Gives a window, a pane's pop-up menu among them, the light palette whatever the desktop's theme.
void applyLightPalette(QWidget *window);
// Style sheet rules for a thin vertical scroll bar on a light surface. A widget with a style sheet
// takes the desktop's palette instead of its window's, so a scrolling one needs these to stay light.
QString scrollBarStyleSheet();
// Style sheet rules for a borderless tool button that opens a menu ("…"), light in every state.
QString menuButtonStyleSheet();
}
