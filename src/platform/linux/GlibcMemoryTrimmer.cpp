#include "platform/linux/GlibcMemoryTrimmer.h"

#include <malloc.h>

void GlibcMemoryTrimmer::releaseFreeMemory()
{
    malloc_trim(0);
}
