#include "common/TmpfsMount.h"

#include <cstdlib>
#include <utility>

TmpfsMount::TmpfsMount(std::string folder, const std::string& size)
    : m_folder(std::move(folder))
{
    const std::string command = "mount -t tmpfs -o size=" + size + " tmpfs '" + m_folder + "' 2>/dev/null";
    m_mounted = std::system(command.c_str()) == 0;
}

TmpfsMount::~TmpfsMount()
{
    if (m_mounted) [[maybe_unused]]
        const int rc = std::system(("umount '" + m_folder + "'").c_str());
}

bool TmpfsMount::MakeReadOnly()
{
    return m_mounted && std::system(("mount -o remount,ro '" + m_folder + "'").c_str()) == 0;
}
