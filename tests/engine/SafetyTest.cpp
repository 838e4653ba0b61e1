#include "engine/EngineFixture.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using SafetyTest = EngineFixture;

void SetTime(const std::string& path, std::time_t seconds, long nanoseconds)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

} // namespace

TEST_F(SafetyTest, AnEditWithinSecondsIsBackedUpAndWholeSecondCopiesAreNotRedone)
{
    Write("a.txt", "first");
    Write("b.txt", "other");
    SetTime(Src("a.txt"), 1'700'000'000, 250'000'000);
    SetTime(Src("b.txt"), 1'700'000'000, 750'000'000);
    Run(0);
    // Rewritten with the same size 1.5 s later.
    Write("a.txt", "FIRST");
    SetTime(Src("a.txt"), 1'700'000'001, 750'000'000);
    auto second = Run(0);
    ASSERT_EQ(1u, second->UpdatedFiles.size());
    EXPECT_EQ("FIRST", TempDir::Read(Root("a.txt")));

    // A backup that keeps whole seconds holds its copies' times cut to the
    // second; that alone is no change.
    SetTime(Root("a.txt"), 1'700'000'001, 0);
    SetTime(Root("b.txt"), 1'700'000'000, 0);
    auto third = Run(0);
    EXPECT_TRUE(third->UpdatedFiles.empty());
    EXPECT_TRUE(third->AddedFiles.empty());

    // With 2-second times on either side the 3-second tolerance holds.
    Write("b.txt", "OTHER");
    SetTime(Src("b.txt"), 1'700'000'002, 0);
    CSet set = MakeSet(0);
    Scan(set);
    scans[0].SourceTwoSecondTimes = 1;
    auto fourth = RunSet(set, false);
    EXPECT_TRUE(fourth->UpdatedFiles.empty());
    EXPECT_EQ("other", TempDir::Read(Root("b.txt")));
}

TEST_F(SafetyTest, ASourceNamedLikeTheHoldingFolderKeepsItsBackup)
{
    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 1;
    dir.Write("data/Korvane Deleted Files/keep.txt", "keep");
    dir.Write("data/Korvane Deleted Files/gone.txt", "gone");
    CSet set = MakeSet(0);
    set.Entries[0].SourceFolder = dir / "data/Korvane Deleted Files";
    RunSet(set);
    fs::remove(dir / "data/Korvane Deleted Files/gone.txt");
    auto run = RunSet(set);
    ASSERT_EQ(1u, run->DeletedFiles.size());
    EXPECT_EQ("keep", TempDir::Read(dir / "backup/Korvane Deleted Files/keep.txt"));
    EXPECT_FALSE(fs::exists(dir / "backup/Korvane Deleted Files/gone.txt"));
    // The removed file reaches the trash in a folder of the known name, and
    // nothing of the staging is left in the backup folder.
    EXPECT_EQ("gone", TempDir::Read(HomeTrashFolder() + "/files/Korvane Deleted Files/gone.txt"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir / "backup"), fs::directory_iterator()));
}

TEST_F(SafetyTest, ChangedTypesConvergeOnBackupAndRestore)
{
    Write("was-folder/a.txt", "a");
    Write("was-file", "file");
    Write("was-link-folder/b.txt", "b");
    Write("keep.txt", "keep");
    Run(0);
    // Each item changes its type in the source.
    fs::remove_all(Src("was-folder"));
    Write("was-folder", "now a file");
    fs::remove(Src("was-file"));
    Write("was-file/c.txt", "now a folder");
    fs::remove_all(Src("was-link-folder"));
    fs::create_symlink("keep.txt", Src("was-link-folder"));
    settings.Actions.BackupTrash = 1;
    auto run = Run(0);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(0, run->FailedItems.load());
    ExpectMirror(Src(), Root());
    // The old items went to the trash, whole.
    EXPECT_EQ("a", TempDir::Read(HomeTrashFolder() + "/files/was-folder/a.txt"));
    EXPECT_EQ("file", TempDir::Read(HomeTrashFolder() + "/files/was-file"));
    auto again = Run(0);
    EXPECT_TRUE(again->UpdatedFiles.empty() && again->AddedFiles.empty() && again->DeletedFiles.empty());

    // A restore turns them back, without the trash this time.
    fs::remove_all(Src());
    fs::create_directories(Src());
    Write("was-folder/a.txt", "old folder");
    Write("was-file", "old file");
    settings.Actions.BackupTrash = 0;
    auto restore = Run(1);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ("now a folder", TempDir::Read(Src("was-file/c.txt")));
    EXPECT_EQ("now a file", TempDir::Read(Src("was-folder")));
    EXPECT_EQ(1u, restore->DeletedFolders.size());
    EXPECT_EQ(1u, restore->DeletedFiles.size());
}

// Replacements are made durable and renamed in batches: more of them than
// one batch holds all arrive, listed in the order they were processed, and
// no temporary file stays behind.
TEST_F(SafetyTest, ManyReplacementsArriveWholeAndAreListedInOrder)
{
    constexpr int kFiles = 300;
    const auto name = [](int i) { return "f" + std::to_string(1000 + i) + ".txt"; };
    massChange = 0; // the brake would rightly ask
    for (int i = 0; i < kFiles; ++i)
        Write(name(i), "old " + std::to_string(i));
    Write("link-target.txt", "t");
    fs::create_symlink("link-target.txt", Src("zlink"));
    Run(0);
    for (int i = 0; i < kFiles; ++i)
        Write(name(i), "changed " + std::to_string(i), 1'600'000'100);
    fs::remove(Src("zlink"));
    fs::create_symlink(name(7), Src("zlink"));
    SetTime(Src("zlink"), 1'600'000'100, 0);

    auto run = Run(0);
    ASSERT_EQ(static_cast<std::size_t>(kFiles + 1), run->UpdatedFiles.size());
    for (int i = 0; i < kFiles; ++i) {
        const CFileRecord& record = run->UpdatedFiles[static_cast<std::size_t>(i)];
        EXPECT_EQ(Root(name(i)), record.FullPath());
        EXPECT_EQ(("changed " + std::to_string(i)).size(), record.Size);
        EXPECT_EQ("changed " + std::to_string(i), TempDir::Read(Root(name(i))));
    }
    EXPECT_EQ(Root("zlink"), run->UpdatedFiles.back().FullPath());
    EXPECT_EQ(name(7), fs::read_symlink(Root("zlink")).string());
    for (const auto& item : fs::directory_iterator(Root()))
        EXPECT_FALSE(CFileCopier::IsTemporaryName(item.path().filename().string())) << item.path();
    EXPECT_EQ(static_cast<std::int32_t>(kFiles + 2), run->ProcessedFileCount());
    EXPECT_TRUE(prompter.asked.empty());
}

// New files are copied on two threads; the lists still come out in the
// order of the source list, and the counters count each file once.
TEST_F(SafetyTest, NewFilesCopiedOnTwoThreadsAreListedInOrder)
{
    constexpr int kFiles = 150;
    std::vector<std::string> expected;
    for (int i = 0; i < kFiles; ++i) {
        const std::string rel = "d" + std::to_string(i % 3) + "/f" + std::to_string(100 + i);
        Write(rel, std::string(static_cast<std::size_t>(i), 'x'));
        expected.push_back(Root(rel));
    }
    std::sort(expected.begin(), expected.end());
    auto run = Run(0);
    ASSERT_EQ(expected.size(), run->AddedFiles.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], run->AddedFiles[i].FullPath());
        EXPECT_EQ(expected[i], Root() + run->ProcessedFiles[i].FullPath().substr(Src().size()));
        EXPECT_EQ(fs::file_size(expected[i]), run->AddedFiles[i].Size);
    }
    EXPECT_EQ(kFiles, run->ProcessedFileCount());
    EXPECT_TRUE(prompter.asked.empty());
}

// An abort, on a file either thread copies, leaves no copy of any file past
// it, even though the second thread may have run ahead.
TEST_F(SafetyTest, AbortLeavesNoCopyPastTheFailedFile)
{
    for (const int failing : { 10, 11 }) {
        SCOPED_TRACE(failing);
        fs::remove_all(Src());
        fs::remove_all(Root());
        cancel = 0;
        prompter.asked.clear();
        for (int i = 0; i < 100; ++i)
            Write("f" + std::to_string(100 + i), "bytes " + std::to_string(i));
        CSet set = MakeSet(0);
        Scan(set);
        fs::remove(Src("f" + std::to_string(100 + failing)));
        prompter.Answer(IdAbort);
        auto run = RunSet(set, false);
        EXPECT_EQ(1u, prompter.asked.size());
        EXPECT_EQ(static_cast<std::size_t>(failing), run->AddedFiles.size());
        EXPECT_EQ(static_cast<std::size_t>(failing), run->ProcessedFiles.size());
        std::size_t present = 0;
        for (const auto& item : fs::directory_iterator(Root())) {
            const int number = std::stoi(item.path().filename().string().substr(1)) - 100;
            EXPECT_LT(number, failing) << item.path();
            ++present;
        }
        EXPECT_EQ(static_cast<std::size_t>(failing), present);
    }
}
