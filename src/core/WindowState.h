#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where a window was: the top-left corner of its frame (negative on a
// screen left of or above the primary one) and its client size, in the
// screen's logical pixels. Zero means "not saved".
struct WindowPlacement {
    int HorizPos = 0;
    int VertPos = 0;
    int HorizSize = 0;
    int VertSize = 0;
};

// What the windows remember between starts in the settings file: their
// placements, the histories of the history combo boxes and the session
// file that was open last. The keys and value names are those the file has
// always had, so files written by earlier versions load as they are.
class CWindowState {
public:
    static constexpr std::size_t kMaxHistory = 500;

    // Missing values read 0. Positions were once written as unsigned 32-bit
    // numbers (4294967295 for -1); such values read as the negative numbers
    // they stood for.
    WindowPlacement Placement(const std::string& key) const;
    // Writes the position, the size or both; positions are written signed.
    void SetPlacement(const std::string& key, const WindowPlacement& placement, bool position, bool size);

    // The values Prefix0, Prefix1, ... up to the first empty or missing one,
    // at most kMaxHistory.
    std::vector<std::string> History(const std::string& key, const std::string& prefix) const;
    // Writes every entry and an empty value after the last, which ends the
    // list for readers that stop there.
    void SetHistory(const std::string& key, const std::string& prefix, const std::vector<std::string>& entries);

    // Info\LastSession: the full path of the session file open when the
    // main window last closed, or empty.
    std::string LastSession() const;
    void SetLastSession(const std::string& path);
};
