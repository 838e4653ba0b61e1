#include "scan/FolderPrefetch.h"

#include <utility>

CFolderPrefetch::CFolderPrefetch(CFolderLister& from, CFolderLister* to, Subfolders subfolders, unsigned threads,
    std::size_t window, const std::atomic<std::int32_t>* cancel)
    : m_from(from)
    , m_to(to)
    , m_subfolders(std::move(subfolders))
    , m_window(window)
    , m_cancel(cancel)
{
    for (unsigned n = 0; n < threads; ++n)
        m_threads.emplace_back(&CFolderPrefetch::Run, this);
}

CFolderPrefetch::~CFolderPrefetch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool CFolderPrefetch::Stopping() const
{
    return m_stop || (m_cancel && m_cancel->load(std::memory_order_relaxed) != 0);
}

void CFolderPrefetch::Want(const Wanted& folder)
{
    {
        const std::lock_guard lock(m_mutex);
        AddLocked(folder);
    }
    m_work.notify_all();
}

void CFolderPrefetch::AddLocked(const Wanted& wanted)
{
    Folder& folder = m_folders[wanted.below];
    folder.from = wanted.from ? Side::Waiting : Side::Read;
    folder.to = wanted.to && m_to ? Side::Waiting : Side::Read;
}

// Called with the lock held: the smallest path with a side no thread has
// begun, while the window has room.
bool CFolderPrefetch::NextJob(Folders::iterator& folder, bool& fromSide)
{
    for (auto it = m_folders.begin(); it != m_folders.end(); ++it) {
        if (!it->second.held && m_held >= m_window)
            return false;
        if (it->second.from == Side::Waiting || it->second.to == Side::Waiting) {
            folder = it;
            fromSide = it->second.from == Side::Waiting;
            return true;
        }
    }
    return false;
}

void CFolderPrefetch::Run()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        Folders::iterator folder;
        bool fromSide = true;
        m_work.wait(lock, [&] { return Stopping() || NextJob(folder, fromSide); });
        if (Stopping())
            return;
        Read(lock, folder, fromSide);
    }
}

// Reads one side of a folder with the lock let go meanwhile; the one that
// completes a folder makes its subfolders wanted. A folder stays in the map
// until the walk takes it, so the iterator stays valid.
void CFolderPrefetch::Read(std::unique_lock<std::mutex>& lock, Folders::iterator folder, bool fromSide)
{
    Folder& state = folder->second;
    if (!state.held) {
        state.held = true;
        ++m_held;
    }
    Side& side = fromSide ? state.from : state.to;
    CFolderLister::Listing& listing = fromSide ? state.fromListing : state.toListing;
    side = Side::Reading;
    const std::string below = folder->first;
    lock.unlock();
    CFolderLister::Listing read;
    (fromSide ? m_from : *m_to).Read(below, read);
    lock.lock();
    listing = std::move(read);
    side = Side::Read;
    if (state.from == Side::Read && state.to == Side::Read) {
        for (const Wanted& wanted : m_subfolders(state.fromListing.records, state.toListing.records))
            AddLocked(wanted);
        m_work.notify_all();
    }
    m_done.notify_all();
}

bool CFolderPrefetch::Take(const std::string& below, CFolderLister::Listing& from, CFolderLister::Listing& to)
{
    std::unique_lock lock(m_mutex);
    const auto folder = m_folders.find(below);
    if (folder == m_folders.end())
        return false;
    Folder& state = folder->second;
    while (!Stopping() && (state.from != Side::Read || state.to != Side::Read)) {
        // What no thread has begun, the walk reads itself: it never waits
        // for room in the window that the folders past it hold.
        if (state.from == Side::Waiting || state.to == Side::Waiting) {
            Read(lock, folder, state.from == Side::Waiting);
            continue;
        }
        m_done.wait(lock);
    }
    if (Stopping())
        return false;
    from = std::move(state.fromListing);
    to = std::move(state.toListing);
    if (state.held)
        --m_held;
    m_folders.erase(folder);
    lock.unlock();
    m_work.notify_all();
    return true;
}
