#pragma once

#include "scan/FileRecordArray.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class CFileOperations;

// Removes files, then folders, for good on a thread of its own (the files
// from several threads at once), so that the worker creates folders and
// copies meanwhile. The worker alone reports what became of each item, in
// list order, once it collects the results.
class CBackgroundRemoval {
public:
    // An item left alone after a stop.
    static constexpr int kNotTried = -1;
    struct Results {
        std::vector<int> files; // 0, an errno, or kNotTried; one per file given
        std::vector<int> folders;
    };

    // ops must be safe to call from several threads; it and both lists are
    // kept, unchanged, by the caller while this lives.
    CBackgroundRemoval(CFileOperations& ops, const CFileRecordArray& files, const CFileRecordArray& folders,
        const std::atomic<std::int32_t>& cancel);
    // Waits for the removal: nothing is left half done.
    ~CBackgroundRemoval();
    CBackgroundRemoval(const CBackgroundRemoval&) = delete;
    CBackgroundRemoval& operator=(const CBackgroundRemoval&) = delete;

    // Waits until every item was tried (or passed over after a stop).
    Results Finish();

private:
    void Run();
    int RemoveOne(const CFileRecord& record) const;

    static constexpr std::size_t kThreads = 8;
    CFileOperations& m_ops;
    const CFileRecordArray& m_files;
    const CFileRecordArray& m_folders;
    const std::atomic<std::int32_t>& m_cancel;
    Results m_results;
    std::thread m_thread;
};
