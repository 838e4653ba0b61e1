#pragma once

// Thread priorities of background work.
class CThreadPriority {
public:
    // Moves the calling thread one nice step below its current priority, the
    // "just below normal" of scans and list filling. Failure is harmless and
    // ignored.
    static void LowerCurrentThread();
};
