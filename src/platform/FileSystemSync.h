#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes durable what a run wrote below the folders it is given: one syncfs
// of each file system that holds one of them, however many folders lie on
// it. Files replaced in a run are flushed before their rename; new files,
// new folders and the names of both are durable only after this.
class CFileSystemSync {
public:
    // 0 once the file system holding folder (a link to a folder is
    // followed) has been written out, now or by an earlier call; else the
    // errno of opening the folder or of syncfs (EIO: written data is lost).
    int Sync(const std::string& folder);

private:
    std::vector<std::uint64_t> m_devices;
};
