// Every item a run passes over lands in the worker's one list of failures,
// with its path and why, beside processed counts that stay as they are; and
// the log names each by its whole path.
#include "core/Prompter.h"
#include "engine/EngineFixture.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The system refuses the copy of one file, as an unreadable one would be
// refused to an ordinary user.
class RefusingOperations : public CFileOperations {
public:
    explicit RefusingOperations(std::string refused)
        : m_refused(std::move(refused))
    {
    }
    int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected) override
    {
        if (from == m_refused)
            return EACCES;
        return CFileOperations::Copy(copier, from, to, failIfExists, security, expected);
    }

private:
    const std::string m_refused;
};

class FailureList : public EngineFixture {
protected:
    // A tree with an unreadable file and a folder the scan could not list.
    void MakeTree()
    {
        Write("a.txt", "a");
        refused = Write("deep/" + std::string(120, 'n') + "/b.txt", "b");
        Write("deep/c.txt", "c");
        fs::create_directories(Src("locked"));
        beforeStart = [this](CProgressWorker& worker) { worker.SetFileOperations(operations); };
    }
    std::unique_ptr<CProgressWorker> RunWithUnlistedFolder()
    {
        const CSet set = MakeSet(0);
        Scan(set);
        scans[0].SourceUnlisted.push_back(Src("locked"));
        return RunSet(set, false);
    }

    std::string refused;
    RefusingOperations operations { Src("deep/" + std::string(120, 'n') + "/b.txt") };
};

TEST_F(FailureList, ItemsPassedOverUnaskedAreListedWithTheirReasons)
{
    MakeTree();
    settings.Actions.DisplayError = 0;
    const auto run = RunWithUnlistedFolder();

    const std::vector<FailedItem> expected {
        { Src("locked"), "Could not be read: Input/output error (error: 5); nothing was deleted from " + Root() },
        { refused, "Permission denied (error: 13)" },
    };
    EXPECT_EQ(expected, run->Failures);
    EXPECT_EQ(2, run->FailedItems.load());
    // The failed file is still counted as processed; its copy is not added.
    EXPECT_EQ(3u, run->ProcessedFiles.size());
    EXPECT_EQ(2, run->AddedTally.Files);
    // The record of the failure names the file by its whole path.
    EXPECT_EQ(1u, CountLines(LogText(), "\t2\t0\tPermission denied (error: 13), Source: " + refused + ", Backup: "));
    EXPECT_EQ(1u, CountLines(LogText(), "\t2\t0\tFailed to access " + Src("locked") + " (error: 5)"));
}

TEST_F(FailureList, IgnoreListsTheItemRetryAndAbortDoNot)
{
    MakeTree();
    prompter.Answer(IdOk); // the unlisted folder only informs
    prompter.Answer(IdRetry);
    prompter.Answer(IdIgnore);
    const auto ignored = RunWithUnlistedFolder();
    ASSERT_EQ(2u, ignored->Failures.size());
    EXPECT_EQ(refused, ignored->Failures[1].Path);
    EXPECT_EQ(0, cancel.load());

    prompter.Answer(IdOk);
    prompter.Answer(IdAbort);
    const auto aborted = RunWithUnlistedFolder();
    ASSERT_EQ(1u, aborted->Failures.size());
    EXPECT_EQ(Src("locked"), aborted->Failures[0].Path);
    EXPECT_EQ(1, cancel.load());
}

// A file where the run must make its backup folder: the folder cannot be
// made, nor any file copied into it, and the run says so of each.
TEST_F(FailureList, ABackupFolderThatCannotBeMadeIsListed)
{
    Write("a.txt", "a");
    std::ofstream(Root()) << "in the way";
    settings.Actions.DisplayError = 0;
    const auto run = Run(0);
    const std::vector<FailedItem> expected {
        { Root(), "Failed to create the folder: File exists (error: 17)" },
        { Src("a.txt"), "Not a directory (error: 20)" },
    };
    EXPECT_EQ(expected, run->Failures);
    EXPECT_EQ(1u, CountLines(LogText(), "\t2\t0\tFailed to create folder " + Root() + "\r\n"));
}

// A folder the backup would have emptied, kept, is a failure too.
TEST_F(FailureList, KeptBackupIsListed)
{
    Write("a.txt", "a");
    settings.Actions.BackupDelete = 1;
    Run(0);
    fs::remove(Src("a.txt"));
    settings.Actions.DisplayError = 0;
    const auto run = Run(0);
    ASSERT_EQ(1u, run->Failures.size());
    EXPECT_EQ(Root(), run->Failures[0].Path);
    EXPECT_EQ("Kept all 1 files, as " + Src() + " holds none of them", run->Failures[0].Reason);
}

} // namespace

namespace {

// A restore copies from the backup: a folder of it that could not be listed
// is a failure of the restore.
TEST_F(FailureList, ARestoreListsTheBackupFoldersItCouldNotRead)
{
    Write("sub/a.txt", "a");
    Run(0);
    settings.Actions.DisplayError = 0;
    const CSet set = MakeSet(1);
    Scan(set);
    scans[0].DestinationUnlisted.push_back(Root("sub"));
    const auto run = RunSet(set, false);
    ASSERT_EQ(1u, run->Failures.size());
    EXPECT_EQ(Root("sub"), run->Failures[0].Path);
    EXPECT_EQ(
        "Could not be read: Input/output error (error: 5); nothing was restored from it", run->Failures[0].Reason);
}

} // namespace
