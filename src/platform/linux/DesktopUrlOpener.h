#pragma once

#include "platform/UrlOpener.h"

// Hands links to the desktop (xdg-open through QDesktopServices).
class DesktopUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl &url) override;
};
