#pragma once

#include "engine/VersionList.h"
#include "platform/FileCopier.h"

#include <string>

// Puts versions back: copies each one out of the version area (the area
// keeps it) to its place below a target folder, the entry's source folder or
// one the user chose, with its contents, mode bits and times, through the
// same copier a run copies with. Whatever is at that place goes to the trash
// first and is never overwritten: it may be newer work of the user's. The
// folders on the way are made as needed; everything below the two folders is
// reached through open folder handles and no link on the way is followed.
class CVersionRestorer {
public:
    // Where a restore stopped, for the message that says why.
    enum class Step { None, OpenVersion, OpenTarget, Trash, Copy };
    struct Result {
        Step Failed = Step::None;
        int Error = 0; // errno value, or one of the copier's own codes
        std::string Target; // the whole path restored to (or meant to be)
    };

    // targetFolder: where the versions' paths below the entry's backup
    // folder go.
    CVersionRestorer(VersionArea area, std::string targetFolder);

    Result Restore(const VersionItem& version);
    // What went wrong, for the user; empty for a restore that went well.
    static std::string Message(const Result& result);

private:
    int OpenTargetParent(const std::string& path, CDirHandle& folder, std::string& name) const;

    VersionArea m_area;
    std::string m_targetFolder;
    CFileCopier m_copier;
};
