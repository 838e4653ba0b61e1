#pragma once

#include "scan/FolderLister.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Lists the folders a walk of two sides will enter next, on threads of its
// own, while the walk works on the folder it is in: the two sides are read
// at once, and so are several folders, which is what a cold disk or a
// network folder, where every look waits, rewards.
//
// A walk enters folders in the order of their paths, so the folder with the
// smallest path not yet read is always read first. A folder's subfolders
// become known once both of its sides are read, and are then wanted too.
// At most `window` folders are read ahead and held, so memory grows with the
// largest folders, not with the tree; a folder the walk needs that no
// thread has begun is read by the walk itself.
class CFolderPrefetch {
public:
    // Gives the folders (each below the roots, ending in '/') to enter
    // below a folder, with the sides that have them, from its two listings.
    struct Wanted {
        std::string below;
        bool from = false;
        bool to = false;
    };
    using Subfolders = std::function<std::vector<Wanted>(const CFileRecordArray& from, const CFileRecordArray& to)>;

    CFolderPrefetch(CFolderLister& from, CFolderLister* to, Subfolders subfolders, unsigned threads,
        std::size_t window, const std::atomic<std::int32_t>* cancel);
    ~CFolderPrefetch();
    CFolderPrefetch(const CFolderPrefetch&) = delete;
    CFolderPrefetch& operator=(const CFolderPrefetch&) = delete;

    // The walk's first folder.
    void Want(const Wanted& folder);
    // Waits for both sides of a folder wanted before (listing what no thread
    // has begun) and hands them over; false when the walk is stopping.
    bool Take(const std::string& below, CFolderLister::Listing& from, CFolderLister::Listing& to);

private:
    enum class Side : std::uint8_t { None, Waiting, Reading, Read };
    struct Folder {
        Side from = Side::None;
        Side to = Side::None;
        CFolderLister::Listing fromListing;
        CFolderLister::Listing toListing;
        bool held = false; // counted in the window
    };
    using Folders = std::map<std::string, Folder>;

    void Run();
    bool NextJob(Folders::iterator& folder, bool& fromSide);
    void Read(std::unique_lock<std::mutex>& lock, Folders::iterator folder, bool fromSide);
    void AddLocked(const Wanted& wanted);
    bool Stopping() const;

    CFolderLister& m_from;
    CFolderLister* m_to;
    Subfolders m_subfolders;
    std::size_t m_window;
    const std::atomic<std::int32_t>* m_cancel;
    std::mutex m_mutex;
    std::condition_variable m_work; // a folder is wanted, or room freed
    std::condition_variable m_done; // a side was read
    Folders m_folders;
    std::size_t m_held = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};
