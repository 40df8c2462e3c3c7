#pragma once

#include "platform/SingleInstance.h"

// A session whose answer a test sets: `othersRunning` makes claim() report another copy, and
// activate() stands for a later start asking this copy to come forward.
class FakeSingleInstance final : public SingleInstance {
public:
    using SingleInstance::SingleInstance;

    bool claim() override
    {
        ++claims;
        return !othersRunning;
    }
    void activate() { emit activationRequested(); }

    bool othersRunning = false;
    int claims = 0;
};
