#include "scan/SharedFolder.h"

#include <algorithm>

CSharedFolder::CSharedFolder(std::string_view path, std::size_t rootLength)
    : m_rootLength(static_cast<std::uint32_t>(std::min(rootLength, path.size())))
    , m_path(path)
{
}

CSharedFolder::Ref CSharedFolder::Make(std::string_view path, std::size_t rootLength)
{
    return Ref(new CSharedFolder(path, rootLength));
}

CSharedFolder::Ref::Ref(const Ref& other) noexcept
    : m_folder(other.m_folder)
{
    if (m_folder)
        m_folder->m_count.fetch_add(1, std::memory_order_relaxed);
}

CSharedFolder::Ref::Ref(Ref&& other) noexcept
    : m_folder(other.m_folder)
{
    other.m_folder = nullptr;
}

CSharedFolder::Ref& CSharedFolder::Ref::operator=(const Ref& other) noexcept
{
    Ref copy(other);
    std::swap(m_folder, copy.m_folder);
    return *this;
}

CSharedFolder::Ref& CSharedFolder::Ref::operator=(Ref&& other) noexcept
{
    if (this != &other) {
        reset();
        std::swap(m_folder, other.m_folder);
    }
    return *this;
}

CSharedFolder::Ref::~Ref()
{
    reset();
}

void CSharedFolder::Ref::reset() noexcept
{
    CSharedFolder* folder = m_folder;
    m_folder = nullptr;
    // The last holder may be on another thread than the one that made it:
    // the release/acquire pair orders every read of the path before delete.
    if (folder && folder->m_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete folder;
}
