#pragma once

#include <QIcon>
#include <QString>

// The program's paw symbol for the tray and its windows: the PNGs compiled in under ":/icons"
// (drawn by scripts/make-paw-icons.sh), else the desktop theme's paw icon, else a paw emoji drawn
// on a transparent square. Needs a QGuiApplication.
namespace PawIcon {
QIcon icon();
// The same lookup with the files at pathPrefix + size + ".png" (tests point it elsewhere).
QIcon icon(const QString &pathPrefix);
// The last resort: "🐾" painted at the usual tray sizes.
QIcon emojiIcon();
}
