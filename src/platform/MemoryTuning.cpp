#include "platform/MemoryTuning.h"

#include <malloc.h>

namespace {

// The C library's own starting limit; set explicitly, it stays put.
constexpr int kOwnMappingFrom = 128 * 1024;

} // namespace

void KeepLargeBlocksApart()
{
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
}
