#include "ui/FolderDrop.h"

#include "platform/FileOps.h"
#include "ui/FolderEntryCheck.h"

#include <QMimeData>
#include <QUrl>

std::vector<std::string> FolderDrop::LocalPaths(const QMimeData& data)
{
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

FolderDrop FolderDrop::FromPaths(const std::vector<std::string>& paths)
{
    FolderDrop drop;
    for (const std::string& raw : paths) {
        const std::string path = TrimTrailingSlashes(raw);
        if (IsFolder(path)) {
            if (paths.size() > 1)
                return FolderDrop { Mixed, {}, {} };
            drop.kind = Folder;
            drop.source = path;
            continue;
        }
        // Each file names its folder as the source, as a file manager only
        // ever drags files out of one folder.
        const auto slash = path.find_last_of('/');
        drop.kind = Files;
        drop.source = slash == std::string::npos ? std::string() : TrimTrailingSlashes(path.substr(0, slash + 1));
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        drop.includeFiles += (drop.includeFiles.empty() ? "" : "; ") + name;
    }
    return drop;
}
