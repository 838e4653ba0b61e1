#include "engine/EngineFixture.h"

#include "platform/FileOps.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

EngineFixture::EngineFixture()
    : m_src(dir / "data/Documents")
    , m_backup(dir / "backup")
    , m_root(dir / "backup/Documents")
    , m_logPath(dir / "activity.log")
{
    fs::create_directories(m_src);
    fs::create_directories(m_backup);
    settings.General.LogActivate = 1;
    settings.General.LogFileName = m_logPath;
    settings.Actions.BackupTrash = 0;
}

std::string EngineFixture::Write(const std::string& rel, const std::string& bytes, std::time_t mtime) const
{
    const std::string path = Src(rel);
    fs::create_directories(fs::path(path).parent_path());
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), ::write(fd, bytes.data(), bytes.size()));
    ::close(fd);
    const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
}

CSet EngineFixture::MakeSet(int action) const
{
    CSet set;
    set.Name = "Documents";
    set.ActiveAction = action;
    CBackup entry;
    entry.SourceFolder = m_src;
    entry.DestinationFolder = m_backup;
    entry.IncludeFiles = "*.*";
    entry.Recursive = 1;
    set.Entries.push_back(entry);
    set.Versions.MassChange = massChange;
    return set;
}

void EngineFixture::Open(const CSet& set)
{
    scans.assign(set.Entries.size(), CEntryScan());
    for (std::size_t i = 0; i < set.Entries.size(); ++i)
        scans[i].SourceFound = IsFolder(set.Entries[i].SourceFolder) ? 1 : 0;
}

void EngineFixture::Scan(const CSet& set)
{
    scans.assign(set.Entries.size(), CEntryScan());
    for (std::size_t i = 0; i < set.Entries.size(); ++i) {
        const CBackup& entry = set.Entries[i];
        CEntryScan& scan = scans[i];
        const std::string root = CProgressWorker::BackupRoot(entry);
        scan.WholeLists = true;
        scan.SourceFound = IsFolder(entry.SourceFolder) ? 1 : 0;
        scan.SourceList.ScanFolder(entry.SourceFolder + "/", entry.ExcludeFolders, entry.IncludeFiles,
            entry.ExcludeFiles, entry.Recursive != 0, CFileRecordArray::kByPath, entry.Recursive != 0, nullptr, nullptr,
            nullptr, nullptr, 0, nullptr, scan.SourceFound ? &scan.SourceUnlisted : nullptr);
        scan.SecondList.ScanFolder(root + "/", "", "*.*", "", true, CFileRecordArray::kByPath, true, nullptr, nullptr,
            nullptr, nullptr, 0, nullptr);
    }
}

std::unique_ptr<CProgressWorker> EngineFixture::Run(int action)
{
    return RunSet(MakeSet(action));
}

std::unique_ptr<CProgressWorker> EngineFixture::RunSet(CSet set, bool scan)
{
    if (scan)
        Open(set);
    m_log = std::make_unique<CActivityLog>(
        settings.General.LogActivate != 0, settings.General.LogFileName, prompter, clock);
    auto worker = std::make_unique<CProgressWorker>(settings, scheduled, cancel, prompter, *m_log, display, clock);
    worker->TakeSet(set, std::move(scans));
    scans.clear();
    if (beforeStart)
        beforeStart(*worker);
    worker->Start();
    worker->Wait();
    EXPECT_EQ(0, worker->Running.load());
    EXPECT_EQ(0, worker->Deleting.load());
    return worker;
}

void ExpectMirror(const std::string& source, const std::string& backup)
{
    std::size_t count = 0;
    for (auto it = fs::recursive_directory_iterator(source); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = it->path().string().substr(source.size() + 1);
        const std::string copy = backup + "/" + rel;
        struct stat s {
        }, b {};
        ASSERT_EQ(0, ::lstat(it->path().c_str(), &s)) << rel;
        ASSERT_EQ(0, ::lstat(copy.c_str(), &b)) << rel << " missing in the backup";
        ++count;
        EXPECT_EQ(s.st_mode & S_IFMT, b.st_mode & S_IFMT) << rel;
        if (S_ISLNK(s.st_mode)) {
            EXPECT_EQ(fs::read_symlink(it->path()), fs::read_symlink(copy)) << rel;
            continue;
        }
        if (S_ISDIR(s.st_mode))
            continue;
        EXPECT_EQ(s.st_mode & 07777, b.st_mode & 07777) << rel;
        if (!S_ISREG(s.st_mode)) {
            EXPECT_EQ(s.st_rdev, b.st_rdev) << rel;
            continue; // a FIFO or device is never opened
        }
        EXPECT_EQ(s.st_mtim.tv_sec, b.st_mtim.tv_sec) << rel;
        EXPECT_EQ(s.st_mtim.tv_nsec, b.st_mtim.tv_nsec) << rel;
        EXPECT_EQ(TempDir::Read(it->path()), TempDir::Read(copy)) << rel;
    }
    std::size_t backupCount = 0;
    for (auto it = fs::recursive_directory_iterator(backup); it != fs::recursive_directory_iterator(); ++it)
        ++backupCount;
    EXPECT_EQ(count, backupCount) << "the backup holds items the source does not";
}

std::size_t CountLines(const std::string& text, const std::string& needle)
{
    std::size_t count = 0;
    for (auto pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1))
        ++count;
    return count;
}
