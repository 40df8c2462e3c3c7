#include "askprompt/AskPromptPlacement.h"

#include <algorithm>

QPoint AskPromptPlacement::origin(const QRect &petFrame, const QRect &visibleArea, int panelHeight)
{
    // Qt's screen coordinates grow downwards: "above" is a smaller y.
    const int visibleBottom = visibleArea.y() + visibleArea.height();
    const int visibleRight = visibleArea.x() + visibleArea.width();
    int y = petFrame.y() - gap - panelHeight;
    if (y < visibleArea.y() + screenMargin)
        y = petFrame.y() + petFrame.height() + gap;
    y = std::min(visibleBottom - panelHeight - screenMargin, std::max(visibleArea.y() + screenMargin, y));

    int x = petFrame.x() + petFrame.width() / 2 - width / 2;
    x = std::max(visibleArea.x() + screenMargin, std::min(visibleRight - width - screenMargin, x));
    return { x, y };
}
