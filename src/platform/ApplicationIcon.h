#pragma once

#include <QIcon>
#include <QString>

// The program's own icon, the cat's face: the same pictures the desktop entry installs into the
// icon theme, compiled into the program so its windows carry it wherever it runs.
namespace ApplicationIcon {
// Every size found under `directory` as tamsel-<size>.png.
QIcon icon(const QString &directory = QStringLiteral(":/icons"));
}
