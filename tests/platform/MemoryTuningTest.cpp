#include "platform/MemoryTuning.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <malloc.h>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif

// Kept where the compiler cannot see it unused, so it cannot drop the
// allocations.
void* volatile g_block = nullptr;

std::size_t MappedBlocks()
{
    return static_cast<std::size_t>(::mallinfo2().hblks);
}

} // namespace

// Once a large block was freed, blocks smaller than it but above the limit
// must still get mappings of their own, so freeing them gives their pages
// back instead of leaving them in the heap.
TEST(MemoryTuning, BlocksAboveTheLimitStayApartAfterALargerOneWasFreed)
{
    if (kOwnAllocator)
        GTEST_SKIP() << "the sanitizer's allocator has no such limit";
    KeepLargeBlocksApart();
    // Larger than any free space the heap holds, which would serve it
    // whatever the limit.
    const std::size_t size = std::max<std::size_t>(192u << 10, ::mallinfo2().fordblks + (64u << 10));
    g_block = std::malloc(4 * size);
    std::free(g_block);
    const std::size_t before = MappedBlocks();
    g_block = std::malloc(size);
    EXPECT_EQ(before + 1, MappedBlocks());
    std::free(g_block);
    EXPECT_EQ(before, MappedBlocks());
}
