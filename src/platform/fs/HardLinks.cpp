#include "platform/fs/HardLinks.h"

bool CHardLinks::Claim(std::uint64_t device, std::uint64_t inode, Copy& first)
{
    std::unique_lock lock(m_mutex);
    const auto claimed = m_groups.try_emplace({ device, inode });
    if (claimed.second)
        return true;
    const Group& group = claimed.first->second;
    m_settled.wait(lock, [&group] { return group.settled; });
    first = group.copy;
    return false;
}

void CHardLinks::Placed(std::uint64_t device, std::uint64_t inode, Copy copy)
{
    {
        std::lock_guard lock(m_mutex);
        Group& group = m_groups[{ device, inode }];
        group.settled = true;
        group.copy = std::move(copy);
    }
    m_settled.notify_all();
}

void CHardLinks::Dropped(std::uint64_t device, std::uint64_t inode)
{
    {
        std::lock_guard lock(m_mutex);
        // The later names copy on their own.
        Group& group = m_groups[{ device, inode }];
        group.settled = true;
        group.copy = Copy();
    }
    m_settled.notify_all();
}

void CHardLinks::Clear()
{
    std::lock_guard lock(m_mutex);
    m_groups.clear();
}
