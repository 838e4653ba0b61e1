#include "common/LoopMount.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace {

// From the kernel's fs/ext4/ext4.h, which no user-space header carries.
constexpr unsigned long kExt4Shutdown = _IOR('X', 125, std::uint32_t);
constexpr std::uint32_t kGoingNoLogFlush = 0x2;

bool Succeeds(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

LoopMount::LoopMount(std::string image, std::string folder, const std::string& size)
    : m_image(std::move(image))
    , m_folder(std::move(folder))
{
    if (geteuid() != 0) {
        m_skipReason = "mounting a loop device needs root";
        return;
    }
    if (!Succeeds("losetup -f")) {
        m_skipReason = "no free loop device here (losetup -f failed)";
        return;
    }
    if (!Succeeds("truncate -s " + size + " '" + m_image + "'") || !Succeeds("mkfs.ext4 -q -F '" + m_image + "'")) {
        m_skipReason = "mkfs.ext4 could not make an image (e2fsprogs missing?)";
        return;
    }
    if (!Mount())
        m_skipReason = "mount -o loop of an ext4 image was refused";
}

// A mount left behind would keep its loop device and the scratch folder:
// once a plain unmount has been refused (busy), it is detached lazily.
LoopMount::~LoopMount()
{
    if (m_mounted && !Succeeds("umount '" + m_folder + "'"))
        Succeeds("umount -l '" + m_folder + "'");
}

bool LoopMount::Mount()
{
    m_mounted = Succeeds("mount -t ext4 -o loop '" + m_image + "' '" + m_folder + "'");
    return m_mounted;
}

bool LoopMount::CutPower()
{
    if (!m_mounted)
        return false;
    const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::uint32_t flags = kGoingNoLogFlush;
    const bool cut = fd >= 0 && ::ioctl(fd, kExt4Shutdown, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return cut;
}

bool LoopMount::Remount()
{
    if (!m_mounted || !Succeeds("umount '" + m_folder + "'"))
        return false;
    return Mount();
}
