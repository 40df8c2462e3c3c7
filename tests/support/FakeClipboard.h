#pragma once

#include "platform/ClipboardAccess.h"

// A clipboard held in memory.
class FakeClipboard final : public ClipboardAccess {
public:
    QString text() const override { return textContent; }
    void setImage(const QImage &picture) override { image = picture; }

    QString textContent;
    QImage image;
};
