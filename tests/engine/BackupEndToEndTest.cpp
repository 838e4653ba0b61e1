// The whole action as the runner drives it: scan both sides with
// CGetInfoWorker, then execute with CProgressWorker on the scanned set.
#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "engine/EngineFixture.h"
#include "engine/GetInfoWorker.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class EndToEnd : public EngineFixture {
protected:
    struct Counts {
        std::size_t added = 0, addedFolders = 0, updated = 0, deleted = 0, deletedFolders = 0, processed = 0;
    };

    Counts Action(int action)
    {
        CGetInfoWorker scan(MakeSet(action), cancel, clock);
        scan.Start();
        scan.Wait();
        EXPECT_EQ(0, cancel.load());
        scans = std::move(scan.Scans);
        auto worker = RunSet(scan.Set, false);
        return { worker->AddedFiles.size(), worker->AddedFolders.size(), worker->UpdatedFiles.size(),
            worker->DeletedFiles.size(), worker->DeletedFolders.size(), worker->ProcessedFiles.size() };
    }

    void BuildTree()
    {
        for (int folder = 0; folder < 5; ++folder) {
            for (int file = 0; file < 8; ++file) {
                const std::string name = "d" + std::to_string(folder) + "/f" + std::to_string(file) + ".dat";
                Write(name, std::string(static_cast<size_t>(folder * 1000 + file), char('a' + file)));
            }
        }
        Write("top.txt", "top");
        ::chmod(Src("d1/f1.dat").c_str(), 0400);
        fs::create_symlink("top.txt", Src("top-link"));
        ::mkfifo(Src("pipe").c_str(), 0644); // made again as a FIFO, never opened
    }
};

TEST_F(EndToEnd, BackupChangesDeletionAndRestoreRoundTrip)
{
    BuildTree();
    const Counts first = Action(0);
    EXPECT_EQ(43u, first.added);
    EXPECT_EQ(6u, first.addedFolders);
    ExpectMirror(Src(), Root());

    const Counts unchanged = Action(0);
    EXPECT_EQ(0u, unchanged.added + unchanged.updated + unchanged.deleted + unchanged.addedFolders);
    EXPECT_EQ(43u, unchanged.processed);

    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 1;
    Write("d0/f0.dat", "changed", 1'600'000'500);
    Write("d4/new.dat", "new");
    fs::remove_all(Src("d3"));
    fs::remove(Src("top.txt"));
    const Counts changed = Action(0);
    EXPECT_EQ(1u, changed.updated);
    EXPECT_EQ(1u, changed.added);
    EXPECT_EQ(9u, changed.deleted); // d3's eight files and top.txt
    EXPECT_EQ(1u, changed.deletedFolders);
    ExpectMirror(Src(), Root());
    const std::string trash = HomeTrashFolder() + "/files/Korvane Deleted Files";
    EXPECT_TRUE(fs::is_directory(trash + "/d3"));
    EXPECT_EQ("top", TempDir::Read(trash + "/top.txt"));

    // Restore brings a deleted and a damaged file back.
    fs::remove(Src("d2/f5.dat"));
    Write("d2/f6.dat", "damaged", 1'500'000'000);
    const Counts restored = Action(1);
    EXPECT_EQ(1u, restored.added);
    EXPECT_EQ(1u, restored.updated);
    EXPECT_EQ(std::string(2005, 'f'), TempDir::Read(Src("d2/f5.dat")));
    EXPECT_EQ(std::string(2006, 'g'), TempDir::Read(Src("d2/f6.dat")));
    fs::remove_all(HomeTrashFolder());
}

TEST_F(EndToEnd, BackupOfAVanishedSourceKeepsTheWholeBackup)
{
    BuildTree();
    fs::remove(Src("pipe"));
    Action(0);
    settings.Actions.BackupDelete = 1;
    fs::remove_all(Src());
    const Counts run = Action(0);
    EXPECT_EQ(0u, run.deleted + run.deletedFolders);
    EXPECT_TRUE(fs::exists(Root("d0/f0.dat")));
}

} // namespace

namespace {

TEST_F(EndToEnd, TakeSetMovesWhatTheScanOpenedIntoTheWorker)
{
    Write("a.txt", "a");
    CGetInfoWorker scan(MakeSet(0), cancel, clock);
    scan.Start();
    scan.Wait();
    CActivityLog log(false, "", prompter, clock);
    CProgressWorker worker(settings, false, cancel, prompter, log, display, clock);
    worker.TakeSet(scan.Set, std::move(scan.Scans));
    EXPECT_TRUE(scan.Scans.empty());
    ASSERT_EQ(1u, worker.Scans.size());
    EXPECT_TRUE(worker.Scans[0].SourceHandle);
    EXPECT_TRUE(worker.Scans[0].SourceList.empty()) << "the run lists each folder when it comes to it";
    EXPECT_EQ(scan.Set.Entries[0].SourceFolder, worker.Set.Entries[0].SourceFolder);
}

} // namespace
