#include "platform/fs/RootSet.h"

#include <cerrno>

namespace {

std::string WithoutTrailingSlash(std::string path)
{
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

// The part of path below root, when path is root or lies below it.
bool Below(const std::string& path, const std::string& root, std::string_view& below)
{
    if (path.size() < root.size() || path.compare(0, root.size(), root) != 0)
        return false;
    if (path.size() > root.size() && path[root.size()] != '/')
        return false;
    below = std::string_view(path).substr(root.size());
    while (!below.empty() && below.front() == '/')
        below.remove_prefix(1);
    return true;
}

} // namespace

void CRootSet::Add(const std::string& path, DirRef handle)
{
    const std::string root = WithoutTrailingSlash(path);
    for (Root& known : m_roots) {
        if (known.path == root) {
            if (!known.handle)
                known.handle = std::move(handle);
            return;
        }
    }
    m_roots.push_back({ root, std::move(handle) });
}

void CRootSet::Clear()
{
    std::lock_guard lock(m_mutex);
    m_roots.clear();
}

// The deepest root wins: a backup folder inside a source is its own root.
const CRootSet::Root* CRootSet::RootOf(const std::string& path, std::string_view& below) const
{
    const Root* best = nullptr;
    for (const Root& root : m_roots) {
        std::string_view rest;
        if (Below(path, root.path, rest) && (!best || root.path.size() > best->path.size())) {
            best = &root;
            below = rest;
        }
    }
    return best;
}

int CRootSet::Open(const Root& root, DirRef& handle) const
{
    std::lock_guard lock(m_mutex);
    if (!root.handle) {
        CDirHandle opened;
        if (const int error = CDirHandle::OpenNamed(root.path, opened))
            return error;
        root.handle = std::make_shared<const CDirHandle>(std::move(opened));
    }
    handle = root.handle;
    return 0;
}

int CRootSet::ParentOf(const std::string& path, DirRef& folder, std::string& name) const
{
    std::string_view below;
    const Root* root = RootOf(path, below);
    if (!root)
        return EXDEV;
    if (below.empty())
        return EINVAL; // a root is never removed, renamed or replaced
    DirRef base;
    if (const int error = Open(*root, base))
        return error;
    CDirHandle parent;
    if (const int error = base->OpenParentOf(below, parent, name))
        return error;
    folder = std::make_shared<const CDirHandle>(std::move(parent));
    return 0;
}

int CRootSet::Folder(const std::string& path, DirRef& folder) const
{
    std::string_view below;
    const Root* root = RootOf(path, below);
    if (!root)
        return EXDEV;
    DirRef base;
    if (const int error = Open(*root, base))
        return error;
    if (below.empty()) {
        folder = base;
        return 0;
    }
    CDirHandle opened;
    if (const int error = base->OpenFolder(below, opened))
        return error;
    folder = std::make_shared<const CDirHandle>(std::move(opened));
    return 0;
}

bool CRootSet::Covers(const std::string& path) const
{
    std::string_view below;
    return RootOf(path, below) != nullptr;
}

bool CRootSet::NamedByUser(const std::string& path) const
{
    const std::string folder = WithoutTrailingSlash(path);
    for (const Root& root : m_roots) {
        std::string_view below;
        if (Below(root.path, folder, below))
            return true;
    }
    return false;
}
