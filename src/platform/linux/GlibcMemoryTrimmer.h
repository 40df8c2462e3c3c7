#pragma once

#include "platform/MemoryTrimmer.h"

// malloc_trim gives back the free pages of every glibc arena, except the free space at the end of
// a thread's own arena, where a worker's large buffers end up once freed. So all threads share the
// main arena: construct this before any thread starts. The program runs little at once on other
// threads (the atlas decode, thumbnails), so sharing costs next to nothing.
class GlibcMemoryTrimmer final : public MemoryTrimmer {
public:
    // Allocations from this size on get pages of their own (glibc's default, held fixed).
    static constexpr int mmapThreshold = 128 * 1024;

    GlibcMemoryTrimmer();
    void releaseFreeMemory() override;
};
