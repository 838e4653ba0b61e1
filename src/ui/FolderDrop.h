#pragma once

#include <string>
#include <vector>

class QMimeData;

// What files or folders dragged from a file manager make of a folder entry:
// one folder becomes the source; files make their folder the source and
// their names the include list. Shared by the main window and the Add/Edit
// folder dialog.
struct FolderDrop {
    enum Kind { Nothing, Folder, Files, Mixed };
    Kind kind = Nothing; // Mixed: a folder among other items (message 57702)
    std::string source;
    std::string includeFiles; // the file names joined by "; "

    // The local paths of the drag's URLs; other URLs are left out.
    static std::vector<std::string> LocalPaths(const QMimeData& data);
    static FolderDrop FromPaths(const std::vector<std::string>& paths);
};
