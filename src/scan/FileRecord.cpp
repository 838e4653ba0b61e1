#include "scan/FileRecord.h"

#include "platform/FileInfo.h"
#include "platform/SequentialFile.h"
#include "scan/Crc32.h"

#include <vector>

namespace {

constexpr std::size_t kCrcBlock = 40960;
// 1900-01-01 00:00:00 UTC; the local year check is only needed near it.
constexpr std::int64_t kYear1900 = -2208988800LL;

bool BeforeYear1900(std::int64_t seconds)
{
    if (seconds >= kYear1900 + 86400)
        return false;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local {};
    if (!localtime_r(&t, &local))
        return true;
    return local.tm_year < 0;
}

} // namespace

void CFileRecord::SetFromFindData(const FileFindData& entry, const std::string& folder)
{
    Path.AssignText(folder, entry.Name);
    SetFromEntry(entry);
}

void CFileRecord::SetFromFindData(
    const FileFindData& entry, const CSharedFolder::Ref& folder, CSharedFolder::NameSpan name)
{
    Path.Assign(folder, name);
    SetFromEntry(entry);
}

void CFileRecord::SetFromEntry(const FileFindData& entry)
{
    Attributes = entry.Attributes;
    Size = entry.Size;
    CreationTime = entry.CreationTime;
    LastAccessTime = entry.LastAccessTime;
    LastWriteTime = entry.LastWriteTime;
    // A checksum of an earlier file must not seed the new one.
    Crc = 0xFFFFFFFF;
    CrcComplete = false;
    CrcOffset = 0;
}

bool CFileRecord::SetFromPath(const std::string& path)
{
    // A trailing separator names no file, as it never did on Windows.
    if (path.empty() || path.back() == '/')
        return false;
    FileFindData entry;
    if (CFileInfo::Lookup(path, entry) != 0)
        return false;
    const auto slash = path.find_last_of('/');
    SetFromFindData(entry, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    return true;
}

std::string CFileRecord::FullPath() const
{
    std::string path;
    AppendFullPath(path);
    return path;
}

void CFileRecord::AppendFullPath(std::string& out) const
{
    out.append(Path.WholeFolder()).append(Path.Tail());
}

std::time_t CFileRecord::GetLastWriteTime() const
{
    if (LastWriteTime > kLatestFileTime)
        return 0;
    // The zone rules of the instant itself decide summer time, so the value
    // is the true instant whatever the season today.
    const std::int64_t seconds = CFileInfo::ToUnixSeconds(LastWriteTime);
    if (BeforeYear1900(seconds))
        return 0;
    return static_cast<std::time_t>(seconds);
}

std::string CFileRecord::GetFileName() const
{
    const std::string_view tail = Path.Tail();
    const auto slash = tail.find_last_of('/');
    return std::string(slash == std::string_view::npos ? tail : tail.substr(slash + 1));
}

std::uint32_t CFileRecord::GetCrc()
{
    if (CrcComplete)
        return Crc;
    CSequentialFile file;
    if (CrcOffset < Size && file.Open(FullPath()) == 0 && file.Seek(CrcOffset)) {
        std::vector<unsigned char> block(kCrcBlock);
        while (CrcOffset < Size) {
            const long long count = file.Read(block.data(), block.size());
            if (count <= 0)
                break;
            Crc = CCrc32::Update(Crc, block.data(), static_cast<std::size_t>(count));
            CrcOffset += static_cast<std::uint64_t>(count);
        }
    }
    // A file that grew past its listed size reads as changed: no final value.
    if (CrcOffset != Size)
        return Crc;
    Crc = ~Crc;
    CrcComplete = true;
    return Crc;
}
