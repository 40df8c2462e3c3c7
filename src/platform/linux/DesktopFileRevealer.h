#pragma once

#include "platform/FileRevealer.h"

#include <QObject>

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) to show the item
// selected; when no such file manager exists, opens the containing folder instead. Nothing waits
// for the answer.
class DesktopFileRevealer final : public QObject, public FileRevealer {
    Q_OBJECT

public:
    using QObject::QObject;

    void reveal(const QString &path) override;
};
