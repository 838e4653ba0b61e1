#include "common/TmpfsMount.h"
#include "engine/DryRunOperations.h"
#include "engine/EngineFixture.h"
#include "platform/FileOps.h"
#include "scan/PathFormat.h"
#include "scan/WithoutPrivileges.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Every item below a folder with its type, mode, size, modification time
// and bytes: two snapshots are equal only when nothing was touched.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> items;
    if (!fs::exists(folder))
        return items;
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it) {
        struct stat st { };
        ::lstat(it->path().c_str(), &st);
        std::string& item = items[it->path()];
        item = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec)
            + "." + std::to_string(st.st_mtim.tv_nsec);
        if (S_ISREG(st.st_mode))
            item += " " + TempDir::Read(it->path());
    }
    return items;
}

// What a run did, as the preview prints it: one line per item, in the
// order of the worker's lists, then the counts.
std::vector<std::string> Findings(const CProgressWorker& w)
{
    std::vector<std::string> lines;
    const auto add = [&](const CFileRecordArray& list, const std::string& sign, bool size) {
        for (const CFileRecord& record : list)
            lines.push_back(sign + " " + (size ? std::to_string(record.Size) + " " : "") + record.FullPath());
    };
    add(w.DeletedFolders, "-/", false);
    add(w.DeletedFiles, "-", false);
    add(w.AddedFolders, "+/", false);
    add(w.AddedFiles, "+", true);
    add(w.UpdatedFiles, "~", true);
    lines.push_back("processed " + std::to_string(w.ProcessedFiles.size()) + " files, "
        + std::to_string(w.ProcessedFolders.size()) + " folders, failed " + std::to_string(w.FailedItems.load()));
    return lines;
}

// The error records of the activity log, without time stamps.
std::vector<std::string> LoggedFailures(const std::string& logText)
{
    std::vector<std::string> failures;
    std::size_t start = 0;
    while (start < logText.size()) {
        std::size_t end = logText.find("\r\n", start);
        if (end == std::string::npos)
            end = logText.size();
        const std::string line = logText.substr(start, end - start);
        const auto type = line.find('\t');
        if (type != std::string::npos && line.compare(type + 1, 2, "2\t") == 0)
            failures.push_back(line.substr(line.find('\t', type + 3) + 1));
        start = end + 2;
    }
    return failures;
}

class DryRunTest : public EngineFixture {
protected:
    DryRunTest()
    {
        settings.Actions.BackupDelete = 1;
        settings.Actions.BackupOverwrite = 1;
        settings.Actions.DisplayError = 0;
    }

    std::string Backup(const std::string& rel) const { return Root(rel); }
    void WriteBackup(const std::string& rel, const std::string& bytes, std::time_t mtime = 1'600'000'000) const
    {
        const std::string path = Root(rel);
        fs::create_directories(fs::path(path).parent_path());
        ::unlink(path.c_str());
        dir.Write(path.substr(dir.Path().size() + 1), bytes);
        const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

    // Source and backup differing in every way a run can act on.
    void MakeEveryKindOfChange()
    {
        Write("same.txt", "unchanged");
        WriteBackup("same.txt", "unchanged");
        Write("changed.txt", "longer than before");
        WriteBackup("changed.txt", "short");
        Write("older.txt", "old", 1'600'000'000);
        WriteBackup("older.txt", "kept", 1'600'100'000); // newer in the backup: left alone
        Write("new.txt", "new file");
        Write("new folder/deeper/n.txt", std::string(70000, 'n'));
        fs::create_directories(Src("empty new"));
        Write("ro.txt", "read only");
        ::chmod(Src("ro.txt").c_str(), 0444);
        fs::create_symlink("new.txt", Src("link"));
        WriteBackup("deleted.txt", "gone from the source");
        WriteBackup("gone/inner/x.txt", "x");
        Write("skip.tmp", "excluded now");
        WriteBackup("skip.tmp", "excluded now");
        // A file where the source now has a folder, and the other way round.
        Write("was file/f.txt", "f");
        WriteBackup("was file", "a file");
        Write("was folder", "a file now");
        WriteBackup("was folder/y.txt", "y");
    }

    CSet SetWithMasks(int action) const
    {
        CSet set = MakeSet(action);
        set.Entries[0].ExcludeFiles = "*.tmp";
        return set;
    }

    std::map<std::string, std::string> BothSides() const
    {
        auto items = Snapshot(dir / "data");
        for (auto& item : Snapshot(dir / "backup"))
            items.insert(item);
        return items;
    }

    // A dry run (no log, as the runner sets it), checked to change nothing.
    std::unique_ptr<CProgressWorker> DryRun(int action)
    {
        const auto before = BothSides();
        const std::string logBefore = LogText();
        CDryRunOperations dryRun;
        beforeStart = [&dryRun](CProgressWorker& worker) { worker.SetFileOperations(dryRun); };
        const std::int32_t logActivate = settings.General.LogActivate;
        settings.General.LogActivate = 0;
        auto worker = RunSet(SetWithMasks(action));
        settings.General.LogActivate = logActivate;
        beforeStart = nullptr;
        EXPECT_EQ(BothSides(), before) << "the dry run changed something";
        EXPECT_EQ(LogText(), logBefore) << "the dry run wrote to the log";
        return worker;
    }
};

TEST_F(DryRunTest, BackupPreviewListsExactlyWhatTheRealRunThenDoes)
{
    MakeEveryKindOfChange();
    const auto preview = DryRun(0);
    const auto real = RunSet(SetWithMasks(0));

    const std::vector<std::string> expected = Findings(*real);
    EXPECT_EQ(Findings(*preview), expected);
    EXPECT_EQ(preview->DryRunFailures, LoggedFailures(LogText()));
    // The findings name every kind of change, so the comparison above covers them.
    const auto has
        = [&](const std::string& line) { return std::find(expected.begin(), expected.end(), line) != expected.end(); };
    EXPECT_TRUE(has("-/ " + Backup("gone")));
    EXPECT_TRUE(has("- " + Backup("gone/inner/x.txt")));
    EXPECT_TRUE(has("- " + Backup("deleted.txt")));
    EXPECT_TRUE(has("- " + Backup("skip.tmp")));
    EXPECT_TRUE(has("+/ " + Backup("new folder/deeper")));
    EXPECT_TRUE(has("+/ " + Backup("empty new")));
    EXPECT_TRUE(has("+ 70000 " + Backup("new folder/deeper/n.txt")));
    EXPECT_TRUE(has("+ 9 " + Backup("ro.txt")));
    EXPECT_TRUE(has("~ 18 " + Backup("changed.txt")));
    EXPECT_FALSE(has("~ 3 " + Backup("older.txt")));
    EXPECT_TRUE(has("+/ " + Backup("was file"))) << "a file gives way to the folder";

    // A second preview after the run finds what is left: the same again.
    const auto after = DryRun(0);
    const auto again = RunSet(SetWithMasks(0));
    EXPECT_EQ(Findings(*after), Findings(*again));
}

TEST_F(DryRunTest, RestorePreviewListsExactlyWhatTheRealRunThenDoes)
{
    MakeEveryKindOfChange();
    RunSet(SetWithMasks(0));
    // The source loses a folder and a file and changes another.
    fs::remove_all(Src("new folder"));
    fs::remove(Src("new.txt"));
    Write("changed.txt", "edited since", 1'500'000'000);
    fs::remove(dir / "activity.log");

    const auto preview = DryRun(1);
    const auto real = RunSet(SetWithMasks(1));
    EXPECT_EQ(Findings(*preview), Findings(*real));
    EXPECT_EQ(preview->DryRunFailures, LoggedFailures(LogText()));
    EXPECT_EQ(TempDir::Read(Src("new folder/deeper/n.txt")), std::string(70000, 'n'));
}

TEST_F(DryRunTest, UnreadableSourceIsNamedAndNothingBelowItIsDeleted)
{
    Write("open.txt", "readable");
    Write("secret.txt", "no permission");
    Write("locked/inside.txt", "cannot be listed");
    WriteBackup("locked/inside.txt", "cannot be listed");
    ::chmod(Src("secret.txt").c_str(), 0);
    ::chmod(Src("locked").c_str(), 0);
    const std::string locked = Src("locked") + "/";
    const std::string secret = Src("secret.txt");

    // Without privileges the permission bits bind, as for any user.
    const int result = RunWithoutPrivileges([&] {
        auto preview = DryRun(0);
        if (preview->Scans[0].SourceUnlisted != std::vector<std::string> { locked })
            return 1;
        // The folder it could not list, as a deletion would log it, and the
        // file it could not read, as the copy would fail on it.
        const auto& failures = preview->DryRunFailures;
        if (failures.size() != 2 || failures[0].rfind("Failed to access " + locked, 0) != 0
            || failures[1].find("(error: 13), Source: " + secret) == std::string::npos)
            return 2;
        if (!preview->DeletedFiles.empty() || !preview->DeletedFolders.empty())
            return 3;
        auto real = RunSet(SetWithMasks(0));
        if (Findings(*preview) != Findings(*real))
            return 4;
        return ::testing::Test::HasFailure() ? 5 : 0;
    });
    ::chmod(Src("locked").c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(TempDir::Read(Backup("locked/inside.txt")), "cannot be listed");
}

TEST(DryRunOperationsTest, LaterQuestionsSeeWhatEarlierOperationsWouldHaveDone)
{
    TempDir dir;
    dir.Write("there/file.txt", "bytes");
    CDryRunOperations ops;
    CFileCopier copier;
    const auto before = [&] {
        dir.Write("there/ro.txt", "read only");
        ::chmod((dir / "there/ro.txt").c_str(), 0444);
        return Snapshot(dir.Path());
    }();

    EXPECT_EQ(ops.MakeFolder(dir / "a/b"), ENOENT) << "parent missing";
    EXPECT_EQ(ops.MakeFolder(dir / "a"), 0);
    EXPECT_TRUE(ops.IsRealFolder(dir / "a"));
    EXPECT_EQ(ops.MakeFolder(dir / "a/b"), 0);
    EXPECT_EQ(ops.MakeFolder(dir / "a"), EEXIST);
    EXPECT_EQ(ops.Copy(copier, dir / "there/file.txt", dir / "a/b/copy.txt", true, nullptr, FileKind::Unknown), 0);
    EXPECT_TRUE(ops.PathExists(dir / "a/b/copy.txt"));
    EXPECT_EQ(ops.Copy(copier, dir / "there/file.txt", dir / "a/b/copy.txt", true, nullptr, FileKind::Unknown), EEXIST);
    EXPECT_EQ(ops.Copy(copier, dir / "there/missing.txt", dir / "a/x.txt", true, nullptr, FileKind::Unknown), ENOENT);
    EXPECT_EQ(
        ops.Copy(copier, dir / "there/file.txt", dir / "there/file.txt/x", true, nullptr, FileKind::Unknown), ENOTDIR);
    // A read-only file is replaced only where the copier would replace it.
    EXPECT_EQ(
        ops.Copy(copier, dir / "there/file.txt", dir / "there/ro.txt", false, nullptr, FileKind::Unknown), EACCES);
    copier.SetReplaceReadOnly(true);
    EXPECT_EQ(ops.Copy(copier, dir / "there/file.txt", dir / "there/ro.txt", false, nullptr, FileKind::Unknown), 0);

    EXPECT_EQ(ops.RemoveTree(dir / "there"), 0);
    EXPECT_FALSE(ops.PathExists(dir / "there/file.txt"));
    EXPECT_EQ(ops.RemoveTree(dir / "there"), ENOENT);
    EXPECT_EQ(ops.MakeFolder(dir / "there"), 0) << "the name is free again";
    EXPECT_FALSE(ops.PathExists(dir / "there/file.txt")) << "a made folder is empty";
    EXPECT_EQ(ops.MoveNoReplace(dir / "a", dir / "there/a"), 0);
    EXPECT_TRUE(ops.IsFolder(dir / "there/a"));
    EXPECT_FALSE(ops.PathExists(dir / "a/b/copy.txt"));

    const CFileRecord folder = ops.RecordOf(dir / "there/a", nullptr);
    EXPECT_TRUE(folder.IsFolder());
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(DryRunOperationsTest, AReadOnlyMountIsFoundWithoutWritingToIt)
{
    TempDir dir;
    const std::string mountPoint = dir / "ro";
    fs::create_directory(mountPoint);
    TmpfsMount mount(mountPoint, "64k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    dir.Write("ro/kept.txt", "old");
    ASSERT_TRUE(mount.MakeReadOnly());
    dir.Write("new.txt", "new");

    CDryRunOperations ops;
    CFileCopier copier;
    EXPECT_EQ(ops.MakeFolder(mountPoint + "/sub"), EROFS);
    EXPECT_EQ(ops.Copy(copier, dir / "new.txt", mountPoint + "/new.txt", true, nullptr, FileKind::Unknown), EROFS);
    EXPECT_EQ(ops.Copy(copier, dir / "new.txt", mountPoint + "/kept.txt", false, nullptr, FileKind::Unknown), EROFS);
    EXPECT_EQ(ops.RemoveTree(mountPoint + "/kept.txt"), EROFS);
    EXPECT_TRUE(ops.PathExists(mountPoint + "/kept.txt"));
    EXPECT_EQ(ProbeRead(mountPoint + "/kept.txt"), 0);
}

} // namespace
