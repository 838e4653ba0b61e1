#pragma once

#include <optional>
#include <string>

// The checks and clean-ups the Add/Edit folder dialog applies to what was
// typed, kept apart from the widgets.

// Blanks (spaces and tabs) removed at both ends.
std::string TrimBlanks(const std::string& text);

// Trailing '/' removed; the file system root keeps its one slash (the Linux
// form of a drive letter getting its backslash back).
std::string TrimTrailingSlashes(const std::string& text);

// An expanded folder is a full path when it is absolute.
bool IsFullPath(const std::string& expanded);

// Whether an entry with this expanded source and backup folder would copy a
// folder into itself: equal folders; with recursion a backup folder inside
// the source; and in every case the folder the backup creates
// (backup + FolderDisplayName(source)) being the source or holding it.
bool FoldersConflict(const std::string& source, const std::string& backup, bool recursive);

// A mask list split at ';', pieces trimmed, empty pieces dropped, joined by
// "; ". No value when the list holds a character no file name mask may
// contain (" / : < > \ |).
std::optional<std::string> NormaliseMaskList(const std::string& masks);
