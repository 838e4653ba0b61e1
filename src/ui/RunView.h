#pragma once

#include "scheduler/RunDisplay.h"

#include <cstdint>
#include <string>

// What the windows of a running action show, as values taken from the
// workers by the run's own thread (never the workers themselves).
struct InformationSnapshot {
    int SourceFiles = 0;
    int SourceFolders = 0;
    int DestinationFiles = 0;
    int DestinationFolders = 0;
    std::uint64_t SourceBytes = 0;
    std::uint64_t DestinationBytes = 0;
};

struct ProgressSnapshot {
    int FilesDone = 0;
    int FoldersDone = 0;
    CRunDisplay::Totals Totals;
    std::int64_t Elapsed = 0;
    bool Deleting = false;
    std::string CurrentFile;
};

// The interface-thread side of a run's windows. The Qt run display calls
// these by queued calls from the run's thread; the plain working window
// implements them now, and the file information, progress and summary
// windows take its place without the runner or the display changing.
class CRunView {
public:
    virtual ~CRunView() = default;

    virtual void OpenInformation(int action) = 0;
    virtual void UpdateInformation(const InformationSnapshot& snapshot) = 0;
    virtual void OpenProgress(int action, const CRunDisplay::Totals& totals) = 0;
    virtual void UpdateProgress(const ProgressSnapshot& snapshot) = 0;
    // The run has ended (or left its windows): close whatever is open.
    virtual void CloseRunWindows() = 0;
    // The summary of a run; returns when the user has closed it.
    virtual void ShowSummary(const std::string& text, int action) = 0;
    // A failure the run carried on after; shown without stopping anything.
    virtual void ShowError(const std::string& text) = 0;
};
