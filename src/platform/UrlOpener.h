#pragma once

#include <QUrl>

// Opens a link in the user's default application for it (the browser for web pages).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // True when the desktop accepted the request; that only means the opener started.
    virtual bool open(const QUrl &url) = 0;
};
