#include "platform/linux/GlibcMemoryTrimmer.h"

#include <malloc.h>

GlibcMemoryTrimmer::GlibcMemoryTrimmer()
{
    mallopt(M_ARENA_MAX, 1);
    // Frames are a few hundred kilobytes each. glibc would raise its mmap threshold past them once
    // the first is freed, and from then on put them in the heap, where the holes they leave as
    // rows come and go stay the program's for good; a fixed threshold keeps them mapped apart,
    // given back the moment they are freed.
    mallopt(M_MMAP_THRESHOLD, mmapThreshold);
}

void GlibcMemoryTrimmer::releaseFreeMemory()
{
    malloc_trim(0);
}
