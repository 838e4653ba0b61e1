#include "scan/SharedFolder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

// memcpy wants valid pointers even for no bytes, and an empty view may hold
// none.
void CopyBytes(char* to, std::string_view from)
{
    if (!from.empty())
        std::memcpy(to, from.data(), from.size());
}

// Offsets are 32-bit: no folder's path and names come near 4 GiB, and a text
// longer than that is cut rather than wrapped.
constexpr std::size_t kMaxBytes = std::numeric_limits<std::uint32_t>::max() - sizeof(std::max_align_t);

std::uint32_t Clamp32(std::size_t value)
{
    return static_cast<std::uint32_t>(std::min(value, kMaxBytes));
}

} // namespace

CSharedFolder::CSharedFolder(std::size_t pathLength, std::size_t rootLength, std::size_t size, bool isText)
    : m_rootLength(Clamp32(std::min(rootLength, pathLength)))
    , m_pathLength(Clamp32(pathLength))
    , m_size(Clamp32(size))
    , m_used(Clamp32(pathLength))
    , m_isText(isText)
{
}

CSharedFolder* CSharedFolder::Allocate(std::size_t pathLength, std::size_t rootLength, std::size_t size, bool isText)
{
    size = std::min(size, kMaxBytes);
    void* memory = ::operator new(sizeof(CSharedFolder) + size);
    return new (memory) CSharedFolder(pathLength, rootLength, size, isText);
}

CSharedFolder::Ref CSharedFolder::Make(std::string_view path, std::size_t rootLength, std::size_t nameRoom)
{
    path = path.substr(0, std::min(path.size(), kMaxBytes));
    CSharedFolder* folder = Allocate(path.size(), rootLength, path.size() + nameRoom, false);
    CopyBytes(folder->Bytes(), path);
    return Ref(folder);
}

CSharedFolder::Ref CSharedFolder::MakeText(std::string_view first, std::string_view second, NameSpan& span)
{
    first = first.substr(0, std::min(first.size(), kMaxBytes));
    second = second.substr(0, std::min(second.size(), kMaxBytes - first.size()));
    CSharedFolder* folder = Allocate(0, 0, first.size() + second.size(), true);
    CopyBytes(folder->Bytes(), first);
    CopyBytes(folder->Bytes() + first.size(), second);
    folder->m_used.store(folder->m_size, std::memory_order_relaxed);
    span = NameSpan { 0, folder->m_size };
    return Ref(folder);
}

bool CSharedFolder::AddName(std::string_view name, NameSpan& span) const
{
    if (m_isText || name.size() > m_size)
        return false;
    const std::uint32_t length = static_cast<std::uint32_t>(name.size());
    std::uint32_t offset = m_used.load(std::memory_order_relaxed);
    do {
        if (m_size - offset < length)
            return false;
    } while (!m_used.compare_exchange_weak(offset, offset + length, std::memory_order_relaxed));
    // The claimed bytes are this caller's alone and no record refers to them
    // yet; whoever is handed the record is ordered after this write by the
    // hand-over itself. The folder was made writable: only the handle is
    // const.
    CopyBytes(const_cast<CSharedFolder*>(this)->Bytes() + offset, name);
    span = NameSpan { offset, length };
    return true;
}

void CSharedFolder::Release() noexcept
{
    // The last holder may be on another thread than the one that made it:
    // the release/acquire pair orders every read of the bytes before the
    // memory goes.
    if (m_count.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    this->~CSharedFolder();
    ::operator delete(this);
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
    if (folder)
        folder->Release();
}
