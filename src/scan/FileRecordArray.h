#pragma once

#include "scan/FileRecord.h"

#include <vector>

// A list of file records, kept sorted by path wherever it is searched.
class CFileRecordArray : public std::vector<CFileRecord> {
};
