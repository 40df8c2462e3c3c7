#pragma once

#include <QColor>
#include <QIcon>

// The small symbols the windows use. Each comes from the desktop's icon theme when it has one,
// else from a drawing of our own, so a desktop without an icon theme still shows them.
namespace SymbolIcon {
enum class Symbol {
    keyboard,
    microphone,
    waveform,
    paperPlane,
    close,
    key,
    pawprint,
    wand,
    stack,
    bell,
    window,
    sliders,
    info,
    folderPlus,
    archive,
    magnifier,
    ellipsis,
    trayDown,
    ladybug,
    sparkles,
    lock,
    handTap,
    bubbles,
    arrowsLeftRight,
    refresh,
    folder,
    person,
    pencil,
    trash,
    plusCircle,
    textAlignLeft,
};

QIcon icon(Symbol symbol, const QColor &colour);
// Our own drawing only (for tests and for places that must match the palette exactly).
QIcon drawn(Symbol symbol, const QColor &colour);
}
