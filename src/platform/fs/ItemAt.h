#pragma once

#include "platform/fs/DirHandle.h"

#include <string>

// An item as a run acts on it: its open folder and its name there. The
// whole path only names it in messages and lists.
struct ItemAt {
    DirRef folder;
    std::string name;
    std::string path;
};

// Error codes of Korvane's own, past the errno values. The item is not what
// the scan saw: a link or another kind of item took its place, so it is left
// alone. A file that kept changing while it was copied.
constexpr int kItemChanged = 0x4b5601;
constexpr int kChangedDuringCopy = 0x4b5602;
// A socket, or a device node the system does not let the run make: skipped.
constexpr int kSkippedSpecial = 0x4b5603;
