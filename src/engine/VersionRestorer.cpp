#include "engine/VersionRestorer.h"

#include "StringTable.h"
#include "engine/VersionPruner.h"
#include "platform/Trash.h"
#include "platform/fs/ItemOps.h"
#include "scan/PathFormat.h"

#include <cerrno>
#include <memory>
#include <utility>

namespace {

std::string Under(const std::string& folder, const std::string& relative)
{
    return (folder == "/" ? std::string() : folder) + "/" + relative;
}

DirRef Shared(CDirHandle&& handle)
{
    return std::make_shared<const CDirHandle>(std::move(handle));
}

} // namespace

CVersionRestorer::CVersionRestorer(VersionArea area, std::string targetFolder)
    : m_area(std::move(area))
    , m_targetFolder(std::move(targetFolder))
{
    while (m_targetFolder.size() > 1 && m_targetFolder.back() == '/')
        m_targetFolder.pop_back();
}

// The folder that is to hold path below the target, made one name at a time
// where missing; a link in the way ends the walk (ELOOP), never followed.
int CVersionRestorer::OpenTargetParent(const std::string& path, CDirHandle& folder, std::string& name) const
{
    if (const int error = CDirHandle::OpenNamed(m_targetFolder, folder))
        return error;
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
        const std::string part = path.substr(start, slash - start);
        start = slash + 1;
        if (part.empty())
            continue;
        const int made = ItemOps::MakeFolder(folder, part);
        if (made && made != EEXIST)
            return made;
        CDirHandle next;
        if (const int error = folder.OpenFolder(part, next))
            return error;
        folder = std::move(next);
    }
    name = path.substr(start);
    return name.empty() ? EINVAL : 0;
}

CVersionRestorer::Result CVersionRestorer::Restore(const VersionItem& version)
{
    Result result;
    result.Target = Under(m_targetFolder, version.Path);
    const auto fail = [&result](Step step, int error) {
        result.Failed = step;
        result.Error = error;
        return result;
    };
    CDirHandle root;
    CDirHandle area;
    CDirHandle fromFolder;
    std::string fromName;
    const std::string inArea = version.Stamp + "/" + (m_area.Root.empty() ? "" : m_area.Root + "/") + version.Path;
    int error = CDirHandle::OpenNamed(m_area.Folder, root);
    if (!error)
        error = root.OpenFolder(CVersionPruner::kAreaName, area);
    if (!error)
        error = area.OpenParentOf(inArea, fromFolder, fromName);
    // A version gone from the area must not cost the file in its place.
    FileKind kind = FileKind::Unknown;
    if (!error)
        error = ItemOps::KindOf(fromFolder, fromName, kind);
    if (error)
        return fail(Step::OpenVersion, error);
    CDirHandle toFolder;
    std::string toName;
    if ((error = OpenTargetParent(version.Path, toFolder, toName)) != 0)
        return fail(Step::OpenTarget, error);
    error = ItemOps::KindOf(toFolder, toName, kind);
    if (error && error != ENOENT)
        return fail(Step::OpenTarget, error);
    if (!error && (error = MoveToTrashAt(toFolder.Fd(), toName, result.Target)) != 0)
        return fail(Step::Trash, error);
    const ItemAt from { Shared(std::move(fromFolder)), fromName, m_area.AreaPath() + "/" + inArea };
    const ItemAt to { Shared(std::move(toFolder)), toName, result.Target };
    if ((error = m_copier.CopyAt(from, to, true, nullptr, version.Kind)) != 0)
        return fail(Step::Copy, error);
    return result;
}

std::string CVersionRestorer::Message(const Result& result)
{
    if (result.Failed == Step::None)
        return {};
    const int id = result.Failed == Step::Trash ? 57822 : 57823;
    return FormatString(
        LoadString(id).c_str(), result.Target.c_str(), SystemErrorText(result.Error).c_str(), result.Error);
}
