#pragma once

#include "platform/ScreenCapturer.h"

#include <QList>

// Answers every capture with a scripted result and remembers whether a selection was asked for.
class FakeScreenCapturer final : public ScreenCapturer {
public:
    QCoro::Task<Capture> capture(bool selection) override
    {
        requests.append(selection);
        co_return next;
    }

    Capture next = Capture::captured(QImage());
    QList<bool> requests;
};
