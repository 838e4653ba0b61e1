#pragma once

#include <memory>
#include <string>
#include <string_view>

// An open folder, the only way a run reaches what lies below a folder the
// user named. A run may be started by root over folders other users can
// write: a path below a root is never handed to the kernel whole, where a
// link swapped in between two looks would take the run elsewhere. It is
// opened from the root down instead, no link followed and nothing outside
// the root reached, and every operation then acts on the opened folder.
class CDirHandle {
public:
    CDirHandle() = default;
    explicit CDirHandle(int fd)
        : m_fd(fd)
    {
    }
    ~CDirHandle();
    CDirHandle(CDirHandle&& other) noexcept;
    CDirHandle& operator=(CDirHandle&& other) noexcept;
    CDirHandle(const CDirHandle&) = delete;
    CDirHandle& operator=(const CDirHandle&) = delete;

    int Fd() const { return m_fd; }
    // Gives the descriptor up without closing it.
    int Release();
    bool Valid() const { return m_fd >= 0; }

    // Opens a folder by the path the user gave: links on the way are
    // followed, once, when the run starts. 0 or an errno value.
    static int OpenNamed(const std::string& path, CDirHandle& out);

    // Opens the folder `relative` below this one ("" or "." is this folder
    // again). No link is followed (ELOOP) and nothing outside this folder
    // is reached (EXDEV for "..").
    // listing: opened for reading its entries, at no extra call.
    int OpenFolder(std::string_view relative, CDirHandle& out, bool listing = false) const;
    // Opens the folder of the item `relative` and gives the item's name.
    int OpenParentOf(std::string_view relative, CDirHandle& folder, std::string& name) const;
    // Opens a folder for listing (the handles above are only for walking).
    int OpenForListing(CDirHandle& out) const;

    // Test hook: walk one name at a time as on a kernel without openat2.
    static void ForceComponentWalk(bool force);

private:
    int m_fd = -1;
};

using DirRef = std::shared_ptr<const CDirHandle>;
