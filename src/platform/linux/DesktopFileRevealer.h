#pragma once

#include "platform/FileRevealer.h"

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) to show the item
// selected; without such a file manager, opens the containing folder instead.
class DesktopFileRevealer final : public FileRevealer {
public:
    void reveal(const QString &path) override;
};
