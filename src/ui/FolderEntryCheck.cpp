#include "ui/FolderEntryCheck.h"

#include "scan/PathFormat.h"

#include <QDir>
#include <QString>

namespace {

// Lexically cleaned ("//", "/./" and "/x/.." folded), so that two spellings
// of one folder compare equal.
std::string Clean(const std::string& path)
{
    return QDir::cleanPath(QString::fromStdString(path)).toStdString();
}

bool IsInside(const std::string& inner, const std::string& outer)
{
    if (outer == "/")
        return inner.size() > 1 && inner.front() == '/';
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/';
}

} // namespace

std::string TrimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string TrimTrailingSlashes(const std::string& text)
{
    const auto last = text.find_last_not_of('/');
    if (last == std::string::npos)
        return text.empty() ? text : "/";
    return text.substr(0, last + 1);
}

bool IsFullPath(const std::string& expanded)
{
    return !expanded.empty() && expanded.front() == '/';
}

bool FoldersConflict(const std::string& source, const std::string& backup, bool recursive)
{
    const std::string s = Clean(source);
    const std::string b = Clean(backup);
    if (s == b)
        return true;
    if (recursive && IsInside(b, s))
        return true;
    // The backup of this entry lands in b + display name: were that the
    // source itself or a folder around it, a backup would copy the source
    // onto itself and, with deleting on, remove the files the masks leave
    // out from the source.
    const std::string name = FolderDisplayName(s);
    if (name.empty() || name.front() != '/')
        return false;
    const std::string target = Clean(b + name);
    return target == s || IsInside(s, target);
}

std::optional<std::string> NormaliseMaskList(const std::string& masks)
{
    if (masks.find_first_of("\"/:<>\\|") != std::string::npos)
        return std::nullopt;
    std::string joined;
    std::size_t start = 0;
    while (start <= masks.size()) {
        auto end = masks.find(';', start);
        if (end == std::string::npos)
            end = masks.size();
        const std::string piece = TrimBlanks(masks.substr(start, end - start));
        if (!piece.empty())
            joined += (joined.empty() ? "" : "; ") + piece;
        start = end + 1;
    }
    return joined;
}
