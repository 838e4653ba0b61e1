#pragma once

#include "platform/fs/DirHandle.h"

#include <mutex>
#include <string>
#include <vector>

// The folders a run acts in, each opened once, and every path of the run
// reached through the root it lies in. A run's texts are whole paths (for
// its messages, its log and its lists); this is where they stop being paths
// and become an open folder and a name.
//
// A root that does not exist yet (a first backup's backup folder) is opened
// the first time it is needed, and then kept: it is never looked up twice.
class CRootSet {
public:
    // Adds a root by the path the run writes for it ("" for "/"), with the
    // handle the scan opened, or an empty one to open on first need.
    void Add(const std::string& path, DirRef handle);
    bool Empty() const { return m_roots.empty(); }
    // Closes every root: the run is over.
    void Clear();

    // The open folder of the item at path and its name in it. EXDEV when
    // the path lies below no root, ELOOP when a link is on the way.
    int ParentOf(const std::string& path, DirRef& folder, std::string& name) const;
    // The folder at path itself, which may be a root.
    int Folder(const std::string& path, DirRef& folder) const;
    // True when path is a root or lies below one.
    bool Covers(const std::string& path) const;
    // True when path is one of the roots or lies above one: folders the
    // user named, made by their path.
    bool NamedByUser(const std::string& path) const;

private:
    struct Root {
        std::string path; // without a trailing '/'; "" for "/"
        mutable DirRef handle;
    };
    const Root* RootOf(const std::string& path, std::string_view& below) const;
    int Open(const Root& root, DirRef& handle) const;

    std::vector<Root> m_roots;
    mutable std::mutex m_mutex;
};
