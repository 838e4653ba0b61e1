#pragma once

#include "platform/FileFindData.h"

struct statx;
struct stat;

// Fills FileFindData from the system's status records; shared by the
// directory reader and single-path lookups.
class CStatConvert {
public:
    static void FromStatx(const struct statx& st, FileFindData& data);
    static void FromStat(const struct stat& st, FileFindData& data);
    // statx relative to dirFd (AT_FDCWD for a path), never following a final
    // link, falling back to fstatat where statx is missing. 0 or errno.
    static int StatAt(int dirFd, const char* name, FileFindData& data);
};
