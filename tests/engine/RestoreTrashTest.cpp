#include "engine/DryRunOperations.h"
#include "engine/EngineFixture.h"
#include "platform/Trash.h"

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::time_t kBackedUp = 1'600'000'000;
// Edited after the backup: newer than the backup's copy.
constexpr std::time_t kEdited = 1'700'000'000;

// Restores of files the user edited after the backup, with the home trash
// of the scratch home emptied before and after each.
class RestoreTrashTest : public EngineFixture {
protected:
    RestoreTrashTest() { fs::remove_all(HomeTrashFolder()); }
    ~RestoreTrashTest() override { fs::remove_all(HomeTrashFolder()); }

    static std::string Trashed(const std::string& name) { return HomeTrashFolder() + "/files/" + name; }
    static std::string InfoOf(const std::string& name)
    {
        return TempDir::Read(HomeTrashFolder() + "/info/" + name + ".trashinfo");
    }
    static std::size_t TrashedCount()
    {
        const std::string files = HomeTrashFolder() + "/files";
        if (!fs::is_directory(files))
            return 0;
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(files), fs::directory_iterator()));
    }
};

TEST_F(RestoreTrashTest, EditedFilesGoToTheTrashWithTheirPlaceAndTheBackupTakesTheirNames)
{
    Write("a.txt", "backed up", kBackedUp);
    Write("same.txt", "unchanged", kBackedUp);
    Write("sub/gone.txt", "deleted after the backup", kBackedUp);
    // Enough replacements for the second copying thread to be used, were
    // they shared with it.
    for (int i = 0; i < 6; ++i)
        Write("many/f" + std::to_string(i), "old " + std::to_string(i), kBackedUp);
    fs::create_symlink("a.txt", Src("link"));
    Run(0);

    Write("a.txt", "newer work", kEdited);
    fs::remove(Src("sub/gone.txt"));
    for (int i = 0; i < 6; ++i)
        Write("many/f" + std::to_string(i), "edited " + std::to_string(i), kEdited);
    fs::remove(Src("link"));
    fs::create_symlink("same.txt", Src("link"));
    auto run = Run(1);

    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ("backed up", TempDir::Read(Src("a.txt")));
    EXPECT_EQ("newer work", TempDir::Read(Trashed("a.txt")));
    const std::string info = InfoOf("a.txt");
    EXPECT_EQ(0u, info.find("[Trash Info]\nPath=" + Src("a.txt") + "\nDeletionDate=")) << info;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "f" + std::to_string(i);
        EXPECT_EQ("old " + std::to_string(i), TempDir::Read(Src("many/" + name)));
        EXPECT_EQ("edited " + std::to_string(i), TempDir::Read(Trashed(name)));
    }
    // A link is replaced as a link, its old self kept as it was.
    EXPECT_EQ("a.txt", fs::read_symlink(Src("link")).string());
    EXPECT_EQ("same.txt", fs::read_symlink(Trashed("link")).string());
    // What was only added or left alone has nothing to keep.
    EXPECT_EQ("deleted after the backup", TempDir::Read(Src("sub/gone.txt")));
    EXPECT_EQ(8u, TrashedCount());
    EXPECT_EQ(8u, run->UpdatedFiles.size());
    EXPECT_EQ(1u, run->AddedFiles.size());
    // Replaced, not deleted: the summary's lists say so.
    EXPECT_TRUE(run->DeletedFiles.empty());
    ExpectMirror(Src(), Root());
}

TEST_F(RestoreTrashTest, OffReplacesInPlaceAndKeepsNothing)
{
    settings.Actions.RestoreTrash = 0;
    Write("a.txt", "backed up", kBackedUp);
    Run(0);
    Write("a.txt", "newer work", kEdited);
    auto run = Run(1);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("backed up", TempDir::Read(Src("a.txt")));
    EXPECT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(0u, TrashedCount());
}

TEST_F(RestoreTrashTest, BackupsNeverTrashWhatTheyReplace)
{
    settings.Actions.RestoreTrash = 1;
    settings.Actions.BackupTrash = 1;
    Write("a.txt", "first", kBackedUp);
    Run(0);
    Write("a.txt", "second", kEdited);
    auto run = Run(0);
    EXPECT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ("second", TempDir::Read(Root("a.txt")));
    EXPECT_EQ(0u, TrashedCount());
}

// A file where the home trash's folder belongs: no item can go there, and
// as the scratch folder lies on the home trash's file system, none goes
// anywhere else either.
TEST_F(RestoreTrashTest, AFileThatCannotBeTrashedStaysAsItIsAndFailsAlone)
{
    Write("a.txt", "backed up", kBackedUp);
    Write("b.txt", "deleted after the backup", kBackedUp);
    Run(0);
    Write("a.txt", "newer work", kEdited);
    fs::remove(Src("b.txt"));
    dir.Write("unused", "");
    fs::create_directories(fs::path(HomeTrashFolder()).parent_path());
    ASSERT_TRUE(fs::copy_file(dir / "unused", HomeTrashFolder()));
    settings.Actions.DisplayError = 0;

    auto run = Run(1);

    EXPECT_EQ("newer work", TempDir::Read(Src("a.txt")));
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_TRUE(run->UpdatedFiles.empty());
    ASSERT_EQ(1u, display.failed.size());
    EXPECT_EQ("'" + Src("a.txt")
            + "' was not replaced by its backup, as it could not be moved to the trash: "
              "Not a directory (error: 20).",
        display.failed[0]);
    EXPECT_EQ(1u, CountLines(LogText(), "Failed to move "));
    // The run went on.
    EXPECT_EQ("deleted after the backup", TempDir::Read(Src("b.txt")));
    EXPECT_EQ(1u, run->AddedFiles.size());
    EXPECT_TRUE(fs::is_regular_file(HomeTrashFolder()));
}

TEST_F(RestoreTrashTest, ShownFailureIsAskedOnceAndTheRunGoesOn)
{
    Write("a.txt", "backed up", kBackedUp);
    Write("b.txt", "also backed up", kBackedUp);
    Run(0);
    Write("a.txt", "newer work", kEdited);
    Write("b.txt", "more newer work", kEdited);
    fs::create_directories(fs::path(HomeTrashFolder()).parent_path());
    dir.Write("unused", "");
    ASSERT_TRUE(fs::copy_file(dir / "unused", HomeTrashFolder()));

    auto run = Run(1);

    ASSERT_EQ(2u, prompter.asked.size());
    EXPECT_NE(std::string::npos, prompter.asked[0].text.find("could not be moved to the trash"));
    EXPECT_EQ(2, run->FailedItems.load());
    EXPECT_EQ("newer work", TempDir::Read(Src("a.txt")));
    EXPECT_EQ("more newer work", TempDir::Read(Src("b.txt")));
}

// A restore over a read-only file is refused by the copier, as it always
// was; the file is not sent to the trash for a copy that cannot follow.
TEST_F(RestoreTrashTest, ReadOnlyFileIsRefusedAndNotTrashed)
{
    Write("a.txt", "good", kBackedUp);
    Run(0);
    Write("a.txt", "bad!", kEdited);
    ::chmod(Src("a.txt").c_str(), 0444);
    prompter.Answer(IdIgnore);
    auto run = Run(1);
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(0u, prompter.asked[0].text.find("Permission denied (error: 13)"));
    EXPECT_EQ("bad!", TempDir::Read(Src("a.txt")));
    EXPECT_EQ(0u, TrashedCount());
}

// A file that became a folder since the backup is the user's too.
TEST_F(RestoreTrashTest, ItemOfAnotherKindFollowsTheRestoreSettingNotTheBackupOne)
{
    settings.Actions.BackupTrash = 0;
    Write("x", "a file when backed up", kBackedUp);
    Run(0);
    fs::remove(Src("x"));
    Write("x/inside.txt", "work in the new folder", kEdited);
    auto run = Run(1);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("a file when backed up", TempDir::Read(Src("x")));
    EXPECT_EQ("work in the new folder", TempDir::Read(Trashed("x/inside.txt")));
}

TEST_F(RestoreTrashTest, DryRunTrashesNothingAndListsTheReplacement)
{
    Write("a.txt", "backed up", kBackedUp);
    Run(0);
    Write("a.txt", "newer work", kEdited);
    CDryRunOperations dryRun;
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(dryRun); };
    auto run = Run(1);
    EXPECT_TRUE(run->TrashesReplaced());
    ASSERT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(Src("a.txt"), run->UpdatedFiles[0].FullPath());
    EXPECT_EQ("newer work", TempDir::Read(Src("a.txt")));
    EXPECT_EQ(0u, TrashedCount());
    settings.Actions.RestoreTrash = 0;
    EXPECT_FALSE(Run(1)->TrashesReplaced());
}

} // namespace
