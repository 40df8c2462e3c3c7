#pragma once

#include "platform/ClipboardAccess.h"

// The desktop's clipboard selection (not the X11 primary selection) through QClipboard. An image
// put on it is served by this process, as PNG among other formats, until something replaces it.
class SystemClipboard final : public ClipboardAccess {
public:
    QString text() const override;
    void setImage(const QImage &image) override;
};
