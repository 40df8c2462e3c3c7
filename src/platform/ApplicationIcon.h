#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own icon, the cat's face: the same pictures the desktop entry installs into the
// icon theme, compiled into the program so its windows carry it wherever it runs.
namespace ApplicationIcon {
// Every size up to 256 found under `directory` as tamsel-<size>.png.
QIcon icon(const QString &directory = QStringLiteral(":/icons"));

// A PNG file read by Qt's own decoder. A QIcon given the file's name instead asks every image
// plug-in whether it knows the file first, which loads all of them and the libraries under them
// (TIFF, MNG, JPEG, ...) for the rest of the run.
QPixmap readPng(const QString &path);
}
