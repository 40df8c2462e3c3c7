#pragma once

#include <QImage>
#include <QString>

#include <qcoro/qcorotask.h>

// Takes a picture of the user's screens: all of them, or a region the user picks. The picture is
// delivered asynchronously; an interactive selection never blocks the event loop.
class ScreenCapturer {
public:
    struct Capture {
        enum class Outcome {
            Captured,
            // The user ended an interactive selection without choosing a region.
            Cancelled,
            // The desktop does not let this program capture the screen (a portal said no).
            Refused,
            Failed,
        };

        Outcome outcome = Outcome::Failed;
        QImage image;
        // Why a capture failed, as a lower-case clause ("no screen is available").
        QString reason;

        static Capture captured(QImage image) { return { Outcome::Captured, std::move(image), {} }; }
        static Capture cancelled() { return { Outcome::Cancelled, {}, {} }; }
        static Capture refused() { return { Outcome::Refused, {}, {} }; }
        static Capture failed(QString reason) { return { Outcome::Failed, {}, std::move(reason) }; }
    };

    virtual ~ScreenCapturer() = default;
    // selection: let the user drag a rectangle; otherwise the whole virtual desktop.
    virtual QCoro::Task<Capture> capture(bool selection) = 0;
};
