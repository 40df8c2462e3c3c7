#include "platform/linux/GlibcMemoryTrimmer.h"

#include <malloc.h>

GlibcMemoryTrimmer::GlibcMemoryTrimmer()
{
    mallopt(M_ARENA_MAX, 1);
}

void GlibcMemoryTrimmer::releaseFreeMemory()
{
    malloc_trim(0);
}
