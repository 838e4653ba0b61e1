#pragma once

#include <string>

// A small tmpfs mounted on an existing folder for the life of the object,
// for tests that need a full disk or a read-only file system. Mounting needs
// root; where it is not permitted Mounted() is false and the test skips.
class TmpfsMount {
public:
    // size as mount takes it ("64k").
    TmpfsMount(std::string folder, const std::string& size);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Mounted() const { return m_mounted; }
    // Remounts read-only, keeping what was written; false when it failed.
    bool MakeReadOnly();

private:
    std::string m_folder;
    bool m_mounted = false;
};
