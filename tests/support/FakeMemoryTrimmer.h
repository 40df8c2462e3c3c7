#pragma once

#include "platform/MemoryTrimmer.h"

// Counts the requests instead of trimming.
class FakeMemoryTrimmer final : public MemoryTrimmer {
public:
    void releaseFreeMemory() override { ++requests; }
    int requests = 0;
};
