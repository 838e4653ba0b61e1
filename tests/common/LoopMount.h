#pragma once

#include <string>

// A small ext4 file system in an image file, mounted through a loop device
// on an existing folder for the life of the object, for tests that cut the
// power under a run. Needs root, loop devices and mkfs.ext4; where any is
// missing Mounted() is false and SkipReason() says why.
class LoopMount {
public:
    // The image (size as truncate takes it, "32M") is made at image.
    LoopMount(std::string image, std::string folder, const std::string& size);
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& SkipReason() const { return m_skipReason; }
    // The power cut: the file system stops at once, as if the machine had,
    // its journal not flushed (EXT4_IOC_SHUTDOWN, NOLOGFLUSH); what was not
    // on the disk yet is lost, and every later write fails with EIO.
    bool CutPower();
    // Unmounts and mounts the image again, so the folder shows what the
    // disk holds. False when a step failed.
    bool Remount();
    bool CutPowerAndRemount() { return CutPower() && Remount(); }

private:
    bool Mount();

    std::string m_image;
    std::string m_folder;
    std::string m_skipReason;
    bool m_mounted = false;
};
