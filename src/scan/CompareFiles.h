#pragma once

#include "scan/FileRecord.h"

#include <string>

// Compare types of the CompareType setting.
constexpr int kCompareSizeAndTime = 0;
constexpr int kCompareCrc32 = 1;

// How the modification times of the two sides compare.
enum class TimeRule {
    // Either side keeps times in 2-second steps (the FAT family): times less
    // than 3 seconds apart are the same, and the file copied to is newer only
    // when it is newer by more than 3 seconds.
    TwoSecondSteps,
    // Both sides keep finer times: they compare at the precision both keep,
    // so an edit within a few seconds is seen, while a side keeping whole
    // seconds (or microseconds) does not make every file look changed.
    Exact,
};

// Decides whether the file copied from (its record) and the existing file at
// toPath count as the same: 0 the same, 1 the file copied to is newer, -1
// they differ. With kCompareCrc32 the checksums decide whether files that
// are not newer on the side copied to are the same (cached in the records).
int CompareFiles(
    CFileRecord& from, const std::string& toPath, int compareType, TimeRule rule = TimeRule::TwoSecondSteps);
// The same with the record of the file copied to already at hand (from the
// scan of that side), so a pass over unchanged files looks nothing up again.
int CompareFiles(CFileRecord& from, CFileRecord& to, int compareType, TimeRule rule = TimeRule::TwoSecondSteps);
