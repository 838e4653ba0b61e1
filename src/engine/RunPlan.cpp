#include "engine/RunPlan.h"

#include "StringTable.h"
#include "scan/FileRecord.h"

namespace {

constexpr int kRestoreSentence = 57766;

} // namespace

void CRunPlan::Add(Kind what, const CFileRecord& record, bool targetNewer)
{
    Item item;
    const std::string_view root = record.Path.Root();
    item.Path.reserve(root.size() + record.Path.size());
    record.AppendFullPath(item.Path);
    // A path held whole as text has no root of its own.
    item.RootLength = item.Path.compare(0, root.size(), root) == 0 ? static_cast<std::uint32_t>(root.size()) : 0;
    item.Folder = record.IsFolder();
    item.Size = item.Folder ? 0 : record.Size;
    item.What = what;
    item.TargetNewer = targetNewer && !item.Folder;
    const int index = Index(what);
    if (item.Folder) {
        ++m_counts.Folders[index];
    } else {
        ++m_counts.Files[index];
        m_counts.Bytes[index] += item.Size;
        if (item.TargetNewer && what == Kind::Replaced)
            ++m_counts.NewerReplaced;
    }
    m_items.push_back(std::move(item));
}

std::uint64_t CRunPlan::CopyBytes() const
{
    return m_counts.Bytes[Index(Kind::Added)] + m_counts.Bytes[Index(Kind::Replaced)]
        + m_counts.Bytes[Index(Kind::BroughtBack)];
}

std::string CRunPlan::RestoreSentence() const
{
    return FormatString(LoadString(kRestoreSentence).c_str(), FilesOf(Kind::Replaced), m_counts.NewerReplaced,
        FilesOf(Kind::BroughtBack));
}

const char* CRunPlan::KindName(Kind what)
{
    switch (what) {
    case Kind::Added:
        return "Added";
    case Kind::Replaced:
        return "Replaced";
    case Kind::Deleted:
        return "Deleted";
    case Kind::BroughtBack:
        return "Brought back";
    }
    return "";
}
