#pragma once

#include "platform/MemoryTrimmer.h"

// glibc keeps freed memory in each thread's arena; malloc_trim returns the free pages of every
// arena to the system.
class GlibcMemoryTrimmer final : public MemoryTrimmer {
public:
    void releaseFreeMemory() override;
};
