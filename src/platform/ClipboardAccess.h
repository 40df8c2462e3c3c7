#pragma once

#include <QImage>
#include <QString>

// The desktop's clipboard as the agent's tools use it: read its text, put an image on it.
class ClipboardAccess {
public:
    virtual ~ClipboardAccess() = default;
    // The plain text on the clipboard; empty when it holds none.
    virtual QString text() const = 0;
    virtual void setImage(const QImage &image) = 0;
};
