#pragma once

#include <QDateTime>

// Wall-clock and monotonic time, injected so that schedules and idle checks are tested by
// advancing a fake clock instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a monotonic scale with an arbitrary origin.
    virtual qint64 monotonicMs() const = 0;

    // The process-wide real clock.
    static Clock &system();
};
