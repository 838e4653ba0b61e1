#pragma once

#include "scan/FileRecord.h"

#include <string>

// Compare types of the CompareType setting.
constexpr int kCompareSizeAndTime = 0;
constexpr int kCompareCrc32 = 1;

// Decides whether the file copied from (its record) and the existing file at
// toPath count as the same: 0 the same, 1 the file copied to is newer by more
// than 3 seconds, -1 they differ. Times differing by less than 3 seconds
// count as equal, so copies on file systems with 2-second times stay
// unchanged. With kCompareCrc32 the checksums decide (cached in from).
int CompareFiles(CFileRecord& from, const std::string& toPath, int compareType);
// The same with the record of the file copied to already at hand (from the
// scan of that side), so a pass over unchanged files looks nothing up again.
int CompareFiles(CFileRecord& from, CFileRecord& to, int compareType);
