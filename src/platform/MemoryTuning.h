#pragma once

// Large blocks (the blocks a scan gathers its records in, big lists) get
// mappings of their own, given back to the system the moment they are
// freed. Left to itself, the C library raises that size limit whenever such
// a block is freed, so the next ones come from the heap, where the small
// allocations made between them (a scanned folder's names) keep them
// resident until the process ends: 2-4 MiB of a no-change pass over
// 100,000 files. Called once at start.
void KeepLargeBlocksApart();
