#include "engine/EngineFixture.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <sys/capability.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool CompressionFlag(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    const bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok && (flags & FS_COMPR_FL);
}

mode_t ModeOf(const std::string& path)
{
    struct stat st { };
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class WorkerTest : public EngineFixture {
protected:
    void MakeTree()
    {
        Write("a.txt", "alpha");
        Write("README", "no extension");
        Write("sub/b.txt", "beta");
        Write("sub/deep/c.bin", std::string(200000, 'c'));
        Write("ro.txt", "read only");
        ::chmod(Src("ro.txt").c_str(), 0444);
        fs::create_directories(Src("empty"));
        fs::create_symlink("a.txt", Src("link"));
    }
};

TEST_F(WorkerTest, FirstBackupMirrorsTheSourceAndTheSecondCopiesNothing)
{
    MakeTree();
    auto first = Run(0);
    ExpectMirror(Src(), Root());
    EXPECT_EQ(6u, first->AddedFiles.size()); // five files and the link
    EXPECT_EQ(4u, first->AddedFolders.size()); // root, empty, sub, sub/deep
    EXPECT_EQ(6u, first->ProcessedFiles.size());
    EXPECT_EQ(3u, first->ProcessedFolders.size());
    EXPECT_EQ(0444u, ModeOf(Root("ro.txt"))) << "a copy keeps the mode, read-only included";
    EXPECT_TRUE(fs::is_symlink(Root("link")));
    EXPECT_TRUE(prompter.asked.empty());

    auto second = Run(0);
    EXPECT_TRUE(second->AddedFiles.empty());
    EXPECT_TRUE(second->AddedFolders.empty());
    EXPECT_TRUE(second->UpdatedFiles.empty());
    EXPECT_EQ(6u, second->ProcessedFiles.size());
    EXPECT_EQ(3u, second->ProcessedFolders.size());
    EXPECT_EQ(6, second->ProcessedFileCount());
}

// A run without a display that lists files counts its copies instead of
// keeping a record of each; the counts must be what the lists would hold.
TEST_F(WorkerTest, CopiesAreCountedAlikeWhetherOrNotTheirRecordsAreKept)
{
    std::uint64_t bytes = 0;
    for (int i = 0; i < 40; ++i) {
        const std::string text(100 + i, 'x');
        Write("f" + std::to_string(i), text);
        bytes += text.size();
    }
    bool keep = false;
    beforeStart = [&keep](CProgressWorker& worker) { worker.SetKeepFileLists(keep); };
    auto first = Run(0);
    EXPECT_TRUE(first->AddedFiles.empty());
    EXPECT_EQ(40, first->AddedTally.Files);
    EXPECT_EQ(bytes, first->AddedTally.Bytes);
    // Nor is a record kept of each file processed.
    EXPECT_TRUE(first->ProcessedFiles.empty());
    EXPECT_EQ(40, first->ProcessedFileCount());
    EXPECT_EQ(bytes, first->ProcessedBytes());

    const auto change = [this](std::int64_t time) {
        std::uint64_t changed = 0;
        for (int i = 0; i < 40; i += 3) {
            const std::string text(7 + i, 'y');
            Write("f" + std::to_string(i), text, time);
            changed += text.size();
        }
        return changed;
    };
    const std::uint64_t changed = change(1'600'000'100);
    auto counted = Run(0);
    EXPECT_TRUE(counted->UpdatedFiles.empty());
    EXPECT_EQ(14, counted->UpdatedTally.Files);
    EXPECT_EQ(changed, counted->UpdatedTally.Bytes);
    EXPECT_EQ(0, counted->AddedTally.Files);
    ExpectMirror(Src(), Root());

    keep = true;
    change(1'600'000'200);
    auto listed = Run(0);
    ASSERT_EQ(14u, listed->UpdatedFiles.size());
    EXPECT_EQ(14, listed->UpdatedTally.Files);
    std::uint64_t listedBytes = 0;
    for (const CFileRecord& record : listed->UpdatedFiles)
        listedBytes += record.Size;
    EXPECT_EQ(listedBytes, listed->UpdatedTally.Bytes);
    EXPECT_EQ(changed, listedBytes);
}

TEST_F(WorkerTest, ReadOnlySourceChangedAgainOverwritesItsBackup)
{
    MakeTree();
    Run(0);
    ::chmod(Src("ro.txt").c_str(), 0644);
    Write("ro.txt", "read only, changed", 1'600'000'100);
    ::chmod(Src("ro.txt").c_str(), 0444);
    auto run = Run(0);
    ASSERT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(Root("ro.txt"), run->UpdatedFiles[0].FullPath());
    EXPECT_EQ("read only, changed", TempDir::Read(Root("ro.txt")));
    EXPECT_EQ(0444u, ModeOf(Root("ro.txt")));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(WorkerTest, OnlyChangedFilesAreCopiedAndVanishedItemsGoToTrashInOneFolder)
{
    MakeTree();
    Run(0);
    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 1;
    Write("a.txt", "alpha changed", 1'600'000'100); // newer and longer
    // Same size, 1 s apart: the same, as the backup keeps 2-second times.
    Write("sub/b.txt", "BETA", 1'600'000'001);
    Write("new.txt", "new");
    fs::remove_all(Src("sub/deep"));
    fs::remove(Src("README"));
    CSet set = MakeSet(0);
    Scan(set);
    scans[0].DestinationTwoSecondTimes = 1;
    auto run = RunSet(set, false);

    ASSERT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(Root("a.txt"), run->UpdatedFiles[0].FullPath());
    ASSERT_EQ(1u, run->AddedFiles.size());
    EXPECT_EQ(Root("new.txt"), run->AddedFiles[0].FullPath());
    ASSERT_EQ(1u, run->DeletedFolders.size());
    EXPECT_EQ(Root("sub/deep"), run->DeletedFolders[0].FullPath());
    ASSERT_EQ(2u, run->DeletedFiles.size()); // README and sub/deep/c.bin
    // The lists keep each side's folder once: records hold what lies below.
    EXPECT_EQ("a.txt", run->UpdatedFiles[0].Path);
    EXPECT_EQ("new.txt", run->AddedFiles[0].Path);
    EXPECT_EQ("sub/deep", run->DeletedFolders[0].Path);
    EXPECT_EQ(Root() + "/", run->DeletedFolders[0].Path.Root());
    ASSERT_FALSE(run->ProcessedFiles.empty());
    for (const CFileRecord& record : run->ProcessedFiles) {
        EXPECT_EQ(Src() + "/", record.Path.Root());
        EXPECT_FALSE(record.IsFolder());
        EXPECT_TRUE(fs::exists(fs::symlink_status(record.FullPath()))) << record.FullPath();
    }
    EXPECT_EQ("beta", TempDir::Read(Root("sub/b.txt")));
    EXPECT_FALSE(fs::exists(Root("sub/deep")));
    EXPECT_FALSE(fs::exists(Root("README")));

    const std::string trash = HomeTrashFolder() + "/files/Korvane Deleted Files";
    EXPECT_EQ("no extension", TempDir::Read(trash + "/README"));
    EXPECT_EQ(std::string(200000, 'c'), TempDir::Read(trash + "/deep/c.bin"));
    EXPECT_FALSE(fs::exists(dir / "backup/Korvane Deleted Files")) << "the holding folder must be trashed";
    EXPECT_FALSE(fs::exists(std::string(std::getenv("TMPDIR")) + "/Korvane Deleted Files"));
    fs::remove_all(HomeTrashFolder());
}

TEST_F(WorkerTest, SameNamesInTheHoldingFolderAreRenamedNotLost)
{
    Write("d1/x.txt", "one");
    Write("d2/x.txt", "two");
    Write("keep.txt", "not everything is deleted");
    Run(0);
    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 1;
    fs::remove(Src("d1/x.txt"));
    fs::remove(Src("d2/x.txt"));
    EXPECT_EQ(2u, Run(0)->DeletedFiles.size());
    const std::string trash = HomeTrashFolder() + "/files/Korvane Deleted Files";
    EXPECT_EQ("one", TempDir::Read(trash + "/x.txt"));
    EXPECT_EQ("two", TempDir::Read(trash + "/x.txt (2)"));
    fs::remove_all(HomeTrashFolder());
}

TEST_F(WorkerTest, DeletionWithoutTrashRemovesForGoodAndNeverFollowsLinks)
{
    Write("keep.txt", "k");
    Run(0);
    dir.Write("outside/precious", "must stay");
    fs::create_directories(Root("gone"));
    fs::create_symlink(dir / "outside", Root("gone/link-to-outside"));
    settings.Actions.BackupDelete = 1;
    auto run = Run(0);
    EXPECT_EQ(1u, run->DeletedFolders.size());
    EXPECT_FALSE(fs::exists(Root("gone")));
    EXPECT_EQ("must stay", TempDir::Read(dir / "outside/precious"));
}

TEST_F(WorkerTest, WithoutBackupDeleteVanishedFilesStay)
{
    Write("a.txt", "a");
    Write("b.txt", "b");
    Run(0);
    fs::remove(Src("b.txt"));
    auto run = Run(0);
    EXPECT_TRUE(run->DeletedFiles.empty());
    EXPECT_TRUE(fs::exists(Root("b.txt")));
}

TEST_F(WorkerTest, MasksExcludingFilesNowCountAsDeleted)
{
    Write("a.txt", "a");
    Write("b.log", "b");
    Run(0);
    settings.Actions.BackupDelete = 1;
    CSet set = MakeSet(0);
    set.Entries[0].ExcludeFiles = "*.log";
    auto run = RunSet(set);
    ASSERT_EQ(1u, run->DeletedFiles.size());
    EXPECT_FALSE(fs::exists(Root("b.log")));
}

TEST_F(WorkerTest, MissingSourceRootDeletesNothingAndSaysSo)
{
    Write("a.txt", "a");
    Write("sub/b.txt", "b");
    Run(0);
    settings.Actions.BackupDelete = 1;
    fs::rename(Src(), dir / "data/moved-away");
    auto run = Run(0);
    EXPECT_TRUE(run->DeletedFiles.empty());
    EXPECT_TRUE(run->DeletedFolders.empty());
    EXPECT_TRUE(fs::exists(Root("a.txt")));
    EXPECT_TRUE(fs::exists(Root("sub/b.txt")));
    EXPECT_NE(std::string::npos, LogText().find("\t2\t0\tFailed to access "));
    EXPECT_NE(std::string::npos, LogText().find("nothing was deleted from"));
}

TEST_F(WorkerTest, UnlistableSubfolderDeletesNothingBelowItsBackupCounterpart)
{
    Write("a.txt", "a");
    Write("locked/b.txt", "b");
    Write("locked/inner/c.txt", "c");
    Write("gone.txt", "g");
    Run(0);
    settings.Actions.BackupDelete = 1;
    fs::remove(Src("gone.txt"));
    CSet set = MakeSet(0);
    Scan(set);
    // What the scan reports for a folder it could not read: the folder's own
    // record, nothing below it, and the folder in SourceUnlisted.
    CEntryScan& entry = scans[0];
    std::erase_if(entry.SourceList, [&](const CFileRecord& r) { return r.FullPath().starts_with(Src("locked/")); });
    entry.SourceUnlisted.push_back(Src("locked/"));
    auto run = RunSet(set, false);
    ASSERT_EQ(1u, run->DeletedFiles.size());
    EXPECT_EQ(Root("gone.txt"), run->DeletedFiles[0].FullPath());
    EXPECT_TRUE(run->DeletedFolders.empty());
    EXPECT_TRUE(fs::exists(Root("locked/inner/c.txt")));
}

TEST_F(WorkerTest, NewerBackupFileIsKeptOnlyWithOverwriteSettingOn)
{
    Write("a.txt", "source");
    Run(0);
    const timespec later[2] = { { 1'700'000'000, 0 }, { 1'700'000'000, 0 } };
    ::utimensat(AT_FDCWD, Root("a.txt").c_str(), later, 0);
    settings.Actions.BackupOverwrite = 1;
    EXPECT_TRUE(Run(0)->UpdatedFiles.empty());
    settings.Actions.BackupOverwrite = 0;
    EXPECT_EQ(1u, Run(0)->UpdatedFiles.size());
    EXPECT_EQ("source", TempDir::Read(Root("a.txt")));
}

TEST_F(WorkerTest, UnreadableFileIsLoggedBeforeThePromptAndIgnoreGoesOn)
{
    Write("a.txt", "a");
    Write("b.txt", "b");
    Write("c.txt", "c");
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("b.txt")); // vanished between scan and copy
    std::string logAtPrompt;
    prompter.hook = [&](const std::string&) { logAtPrompt = LogText(); };
    prompter.Answer(IdIgnore);
    auto run = RunSet(set, false);
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(unsigned(MbAbortRetryIgnore | MbIconError | MbTopmost), prompter.asked[0].style);
    EXPECT_EQ("No such file or directory (error: 2)\n\nSource: " + Src("b.txt") + "\nBackup: " + Root("b.txt"),
        prompter.asked[0].text);
    EXPECT_NE(std::string::npos, logAtPrompt.find("\t2\t0\tNo such file or directory (error: 2), Source: "));
    EXPECT_EQ(2u, run->AddedFiles.size());
    EXPECT_EQ(3u, run->ProcessedFiles.size());
    EXPECT_TRUE(fs::exists(Root("c.txt")));
    EXPECT_EQ(0, cancel.load());
}

TEST_F(WorkerTest, RetryRepeatsTheFailedCopy)
{
    Write("a.txt", "a");
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("a.txt"));
    prompter.hook = [&](const std::string&) { Write("a.txt", "back again"); };
    prompter.Answer(IdRetry);
    auto run = RunSet(set, false);
    EXPECT_EQ(1u, prompter.asked.size());
    EXPECT_EQ("back again", TempDir::Read(Root("a.txt")));
    EXPECT_EQ(1u, run->AddedFiles.size());
}

TEST_F(WorkerTest, AbortKeepsWhatWasDoneAndRecordsIt)
{
    Write("a.txt", "a");
    Write("b.txt", "b");
    Write("c.txt", "c");
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("b.txt"));
    prompter.Answer(IdAbort);
    auto run = RunSet(set, false);
    EXPECT_EQ(1, cancel.load());
    ASSERT_EQ(1u, run->AddedFiles.size());
    EXPECT_EQ("a", TempDir::Read(Root("a.txt")));
    EXPECT_FALSE(fs::exists(Root("c.txt")));
    EXPECT_EQ(1u, run->ProcessedFiles.size());
}

TEST_F(WorkerTest, ErrorsNotShownAreLoggedAndIgnored)
{
    scheduled = true;
    settings.Scheduler.DisplayError = 0;
    Write("a.txt", "a");
    Write("b.txt", "b");
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("a.txt"));
    auto run = RunSet(set, false);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(1u, CountLines(LogText(), "\t2\t0\t"));
    EXPECT_EQ(1u, run->AddedFiles.size());
}

TEST_F(WorkerTest, FailedFolderCreationIsLoggedAndIgnoreGoesOn)
{
    Write("sub/a.txt", "a");
    Write("b.txt", "b");
    fs::create_directories(Root());
    // Not a kind of item a backup holds, so it is not replaced either.
    ASSERT_EQ(0, ::mkfifo(Root("sub").c_str(), 0600));
    prompter.defaultAnswer = IdIgnore;
    auto run = Run(0);
    ASSERT_GE(prompter.asked.size(), 2u);
    EXPECT_EQ("Failed to create folder '" + Root("sub") + "'.", prompter.asked[0].text);
    EXPECT_NE(std::string::npos, LogText().find("\t2\t0\tFailed to create folder "));
    EXPECT_EQ(1u, run->ProcessedFolders.size());
    EXPECT_EQ("b", TempDir::Read(Root("b.txt")));
}

TEST_F(WorkerTest, NothingIsWrittenThroughALinkWhereAFolderBelongs)
{
    Write("sub/passwd", "evil");
    dir.Write("elsewhere/passwd", "precious");
    fs::create_directories(Root());
    fs::create_directory_symlink(dir / "elsewhere", Root("sub"));
    prompter.defaultAnswer = IdIgnore;
    auto run = Run(0);
    // The link itself goes, not what it points to, and a folder takes its place.
    EXPECT_EQ("precious", TempDir::Read(dir / "elsewhere/passwd"));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(Root("sub"))));
    EXPECT_EQ("evil", TempDir::Read(Root("sub/passwd")));
    ASSERT_EQ(1u, run->DeletedFiles.size());
    EXPECT_EQ(Root("sub"), run->DeletedFiles[0].FullPath());
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(WorkerTest, CreatesEveryMissingLevelOfTheBackupFolder)
{
    Write("a.txt", "a");
    CSet set = MakeSet(0);
    set.Entries[0].DestinationFolder = dir / "backup/x/y";
    auto run = RunSet(set);
    ASSERT_EQ(3u, run->AddedFolders.size());
    EXPECT_EQ(dir / "backup/x", run->AddedFolders[0].FullPath());
    EXPECT_EQ(dir / "backup/x/y/Documents", run->AddedFolders[2].FullPath());
    EXPECT_EQ("a", TempDir::Read(dir / "backup/x/y/Documents/a.txt"));
}

TEST_F(WorkerTest, RestoreBringsBackDeletedAndChangedFiles)
{
    Write("a.txt", "alpha");
    Write("sub/b.txt", "beta");
    Run(0);
    fs::remove_all(Src("sub"));
    Write("a.txt", "damaged", 1'500'000'000);
    auto run = Run(1);
    EXPECT_EQ("beta", TempDir::Read(Src("sub/b.txt")));
    EXPECT_EQ("alpha", TempDir::Read(Src("a.txt")));
    EXPECT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(1u, run->AddedFiles.size());
    EXPECT_EQ(1u, run->AddedFolders.size());
    ExpectMirror(Src(), Root());
}

TEST_F(WorkerTest, RestoreOverReadOnlyFileIsRefusedWithAccessDenied)
{
    Write("a.txt", "good");
    Run(0);
    Write("a.txt", "bad!", 1'500'000'000);
    ::chmod(Src("a.txt").c_str(), 0444);
    prompter.Answer(IdIgnore);
    auto run = Run(1);
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(0u, prompter.asked[0].text.find("Permission denied (error: 13)"));
    EXPECT_EQ("bad!", TempDir::Read(Src("a.txt")));
    EXPECT_TRUE(run->UpdatedFiles.empty());
}

TEST_F(WorkerTest, CancelDuringTheFilePhaseKeepsEveryCompletedCopy)
{
    for (int i = 0; i < 5; ++i)
        Write("f" + std::to_string(i), std::string(1000 + i, 'x'));
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("f2"));
    // The user presses Cancel while the error prompt of f2 is open.
    prompter.hook = [&](const std::string&) { cancel = 1; };
    prompter.Answer(IdIgnore);
    auto run = RunSet(set, false);
    EXPECT_EQ(2u, run->AddedFiles.size());
    EXPECT_EQ(3u, run->ProcessedFiles.size());
    EXPECT_EQ(std::string(1000, 'x'), TempDir::Read(Root("f0")));
    EXPECT_EQ(std::string(1001, 'x'), TempDir::Read(Root("f1")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Root()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(2u, names.size()) << "no partial or temporary file may stay";
}

TEST_F(WorkerTest, CancelBeforeStartChangesNothing)
{
    Write("a.txt", "a");
    cancel = 1;
    settings.Actions.BackupDelete = 1;
    auto run = Run(0);
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_TRUE(run->ProcessedFiles.empty());
}

TEST_F(WorkerTest, TickerShowsPercentageAndElapsedWhileRunning)
{
    Write("a.txt", "a");
    Write("b.txt", "b");
    CSet set = MakeSet(0);
    Scan(set);
    fs::remove(Src("b.txt"));
    // Hold the worker in the prompt until the ticker has spoken.
    prompter.hook = [&](const std::string&) {
        clock.Advance(65);
        const int seen = display.calls.load();
        while (display.calls.load() <= seen + 1)
            std::this_thread::yield();
    };
    prompter.Answer(IdIgnore);
    auto run = RunSet(set, false);
    // 1 file + 1 folder record? The set has two files and no folders: 1 of 2 done.
    EXPECT_EQ("33% completed", display.last);
    EXPECT_EQ(65, run->Elapsed.load());
}

TEST_F(WorkerTest, PrivilegeRefusedAsksAndNoCancels)
{
    Write("a.txt", "a");
    settings.Actions.BackupSecurity = 1;
    prompter.Answer(IdNo);
    std::unique_ptr<CProgressWorker> run;
    // The worker's threads inherit the starting thread's capabilities.
    std::thread([&] {
        cap_t caps = cap_get_proc();
        const cap_value_t value = CAP_CHOWN;
        cap_set_flag(caps, CAP_EFFECTIVE, 1, &value, CAP_CLEAR);
        cap_set_flag(caps, CAP_PERMITTED, 1, &value, CAP_CLEAR);
        cap_set_proc(caps);
        cap_free(caps);
        run = Run(0);
    }).join();
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(0u, prompter.asked[0].text.find("Failed to set the SE_SECURITY_NAME privilege"));
    EXPECT_EQ(unsigned(MbYesNo | MbIconQuestion | MbTopmost), prompter.asked[0].style);
    EXPECT_EQ(0, run->CopySecurity.load());
    EXPECT_EQ(1, cancel.load());
    EXPECT_FALSE(fs::exists(Root("a.txt")));
}

TEST_F(WorkerTest, SecurityAndCompressionFollowTheVolumeFlags)
{
    Write("sub/a.txt", "a");
    ::chown(Src("sub").c_str(), 4321, 4321);
    ::chown(Src("sub/a.txt").c_str(), 1234, 1234);
    settings.Actions.BackupSecurity = 1;
    settings.Actions.BackupCompression = 1;

    // A volume without ACLs (FAT): neither is attempted, nothing is said.
    auto plain = Run(0);
    struct stat st { };
    ::stat(Root("sub/a.txt").c_str(), &st);
    EXPECT_EQ(0u, st.st_uid);
    EXPECT_TRUE(prompter.asked.empty());
    fs::remove_all(Root());

    // ACLs on both sides but no compression flag: security only.
    CSet set = MakeSet(0);
    Scan(set);
    scans[0].SourceVolumeFlags = 0x8;
    scans[0].DestinationVolumeFlags = 0x8;
    auto secured = RunSet(set, false);
    ::stat(Root("sub/a.txt").c_str(), &st);
    EXPECT_EQ(1234u, st.st_uid);
    ::stat(Root("sub").c_str(), &st);
    EXPECT_EQ(4321u, st.st_uid);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(CompressionFlag(Root("sub")));
    fs::remove_all(Root());

    // A volume that can compress: the folders the action creates are marked.
    settings.Actions.BackupSecurity = 0;
    set = MakeSet(0);
    Scan(set);
    scans[0].DestinationVolumeFlags = 0x10;
    RunSet(set, false);
    EXPECT_TRUE(CompressionFlag(Root("sub")));
    EXPECT_TRUE(prompter.asked.empty());
}

} // namespace

// What the progress window reads while files are copied: the folder of the
// file in hand (the folders were all made before) and the bytes of the
// whole run's copies, of every entry, from the first copy on. Unchanged
// files count in neither.
TEST_F(WorkerTest, ProgressCarriesTheCopysFolderAndTheRunsBytes)
{
    Write("same.txt", "s");
    Run(0);
    Write("a/one.bin", std::string(1000, '1'));
    Write("b/two.bin", std::string(3000, '2'));
    const std::string other = dir / "data/Music";
    fs::create_directories(other);
    {
        std::ofstream(other + "/song.ogg") << std::string(500, 'm');
    }
    CSet set = MakeSet(0);
    CBackup second = set.Entries.front();
    second.SourceFolder = other;
    set.Entries.push_back(second);
    struct Look {
        std::string folder;
        std::uint64_t done;
        std::uint64_t total;
    };
    std::vector<Look> looks;
    beforeStart = [&](CProgressWorker& worker) {
        worker.Copier().OnChunk([&looks, &worker] {
            if (looks.empty() || looks.back().folder != worker.CurrentFolder())
                looks.push_back({ worker.CurrentFolder(), worker.CopiedBytes(), worker.BytesToCopy() });
        });
    };
    auto run = RunSet(set);
    ASSERT_EQ(looks.size(), 3u);
    EXPECT_EQ(looks[0].folder, Src("a"));
    EXPECT_EQ(looks[0].done, 0u);
    EXPECT_EQ(looks[1].folder, Src("b"));
    EXPECT_EQ(looks[1].done, 1000u);
    EXPECT_EQ(looks[2].folder, other);
    EXPECT_EQ(looks[2].done, 4000u);
    for (const Look& look : looks)
        EXPECT_EQ(look.total, 4500u);
    EXPECT_EQ(run->CopiedBytes(), 4500u);
    // Once the run is over nothing is in hand.
    EXPECT_EQ(run->CurrentFolder(), "");
}

// A pass the walk finds nothing to do in lists each side once and counts
// what it would have walked; a folder missing at the target is still made.
TEST_F(WorkerTest, APassWithNothingToDoCountsWhatAWalkWouldHaveProcessed)
{
    Write("a.txt", "a");
    Write("sub/b.txt", "bb");
    Write("sub/deeper/c.txt", "ccc");
    ASSERT_TRUE(fs::create_directories(Src("empty")));
    beforeStart = [](CProgressWorker& worker) { worker.SetKeepFileLists(false); };
    auto first = Run(0);
    EXPECT_EQ(3, first->AddedTally.Files);
    auto unchanged = Run(0);
    EXPECT_EQ(0, unchanged->AddedTally.Files + unchanged->UpdatedTally.Files);
    EXPECT_EQ(3, unchanged->ProcessedFileCount());
    EXPECT_EQ(3, unchanged->ProcessedFolderCount());
    EXPECT_EQ(6u, unchanged->ProcessedBytes());
    fs::remove(Root("empty"));
    auto mended = Run(0);
    EXPECT_EQ(1u, mended->AddedFolders.size());
    EXPECT_EQ(3, mended->ProcessedFolderCount());
    ExpectMirror(Src(), Root());
}

// Names that sort between a folder and what lies inside it: the lists come
// out in the order of one sorted list of the tree, as a dry run prints them.
TEST_F(WorkerTest, ChangesAreListedInPathOrderAcrossFolders)
{
    for (const char* name : { "a/x", "a.txt", "a-b", "a/sub/y", "a0", "b/z" })
        Write(name, "n");
    auto run = Run(0);
    std::vector<std::string> files;
    for (const CFileRecord& record : run->AddedFiles)
        files.push_back(record.Path.str());
    EXPECT_EQ(files, (std::vector<std::string> { "a-b", "a.txt", "a/sub/y", "a/x", "a0", "b/z" }));
    std::vector<std::string> folders;
    for (const CFileRecord& record : run->AddedFolders)
        folders.push_back(record.FullPath());
    EXPECT_EQ(folders, (std::vector<std::string> { Root(), Root("a"), Root("a/sub"), Root("b") }));
}
