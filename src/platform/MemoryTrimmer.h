#pragma once

// Hands memory that the allocator keeps after freeing back to the system. Large short-lived work
// (decoding a pet's atlas on a worker thread) leaves freed memory behind that the allocator would
// otherwise hold for the life of the process. Costs a moment, so it runs once after such work.
class MemoryTrimmer {
public:
    virtual ~MemoryTrimmer() = default;
    virtual void releaseFreeMemory() = 0;
};
