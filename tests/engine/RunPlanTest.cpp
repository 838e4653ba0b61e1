// The plan of an action, made the way the file information window gets it:
// the action scan on its threads, then the copy worker's dry run on copies
// of what it found. Checked item by item on a real tree after a backup and
// a few changes, for a backup and for a restore.
#include "StringTable.h"
#include "engine/EngineFixture.h"
#include "engine/GetInfoWorker.h"
#include "engine/RunPlanner.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>

namespace fs = std::filesystem;

namespace {

using Kind = CRunPlan::Kind;
// Kind, whole path (folders end in '/'), size, target newer.
using Record = std::tuple<Kind, std::string, std::uint64_t, bool>;

std::vector<Record> Records(const CRunPlan& plan)
{
    std::vector<Record> records;
    for (const CRunPlan::Item& item : plan.Items())
        records.emplace_back(item.What, item.Path + (item.Folder ? "/" : ""), item.Size, item.TargetNewer);
    return records;
}

class RunPlanTest : public EngineFixture {
protected:
    RunPlanTest()
    {
        settings.Actions.BackupDelete = 1;
        settings.Actions.DisplayError = 1;
        Write("same.txt", "unchanged");
        Write("changed.txt", "before");
        Write("edited.txt", "edited later", 1'600'000'000);
        Write("gone.txt", "deleted after the backup");
        Write("old/inner.txt", "inner");
        Run(0);
        // Now the source moves on: one file changes, one is added, a file
        // and a folder are deleted.
        Write("changed.txt", "changed, longer");
        Write("new/added.txt", "added");
        fs::remove(Src("gone.txt"));
        fs::remove_all(Src("old"));
    }

    // The plan as the information step makes it, with the planner of a run.
    CRunPlan Plan(int action)
    {
        CGetInfoWorker info(MakeSet(action), cancel, clock);
        CRunPlanner planner(settings, clock);
        info.SetPlanner([&planner](const CSet& set, std::vector<CEntryScan> scans, std::atomic<std::int32_t>& stop) {
            return planner.Plan(set, std::move(scans), stop);
        });
        info.Start();
        info.Wait();
        EXPECT_EQ(info.PlanRunning, 0);
        EXPECT_TRUE(info.Scans[0].SourceHandle) << "what the scan opened is left for the run";
        return info.TakePlan();
    }

    std::string Backup(const std::string& rel = "") const { return Root(rel); }
};

} // namespace

TEST_F(RunPlanTest, BackupPlanListsEachItemWithItsKindSizeAndNewerMark)
{
    // A backup copy edited since, newer than the source file it will be
    // replaced by (the setting that would keep it is off).
    Write("edited.txt", "edited in the source", 1'600'000'000);
    const std::string newer = Backup("edited.txt");
    const timespec times[2] = { { 1'600'100'000, 0 }, { 1'600'100'000, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, newer.c_str(), times, 0), 0);

    const CRunPlan plan = Plan(0);
    const std::vector<Record> expected {
        { Kind::Deleted, Backup("old") + "/", 0, false },
        { Kind::Deleted, Backup("gone.txt"), 24, false },
        { Kind::Deleted, Backup("old/inner.txt"), 5, false },
        { Kind::Added, Backup("new") + "/", 0, false },
        { Kind::Added, Backup("new/added.txt"), 5, false },
        { Kind::Replaced, Backup("changed.txt"), 15, false },
        { Kind::Replaced, Backup("edited.txt"), 20, true },
    };
    EXPECT_EQ(Records(plan), expected);
    EXPECT_EQ(plan.Action, 0);
    EXPECT_EQ(plan.CopyBytes(), 40u);
    EXPECT_EQ(plan.RemoveBytes(), 29u);
    EXPECT_EQ(plan.Tally().NewerReplaced, 1);
    EXPECT_EQ(plan.Items()[1].Root(), Backup() + "/");
    EXPECT_EQ(plan.Items()[1].Relative(), "gone.txt");

    // With the setting on, the newer backup copy is kept: no longer planned.
    settings.Actions.BackupOverwrite = 1;
    const CRunPlan keeping = Plan(0);
    EXPECT_EQ(Records(keeping).back(), (Record { Kind::Replaced, Backup("changed.txt"), 15, false }));
}

TEST_F(RunPlanTest, RestorePlanBringsBackDeletedFilesAndMarksNewerSourceFiles)
{
    // A source file edited after the backup: the restore replaces it with
    // its older copy, and says so.
    Write("edited.txt", "edited in the source", 1'600'100'000);
    const CRunPlan plan = Plan(1);
    const std::vector<Record> expected {
        { Kind::BroughtBack, Src("old") + "/", 0, false },
        { Kind::BroughtBack, Src("gone.txt"), 24, false },
        { Kind::BroughtBack, Src("old/inner.txt"), 5, false },
        { Kind::Replaced, Src("changed.txt"), 6, false },
        { Kind::Replaced, Src("edited.txt"), 12, true },
    };
    EXPECT_EQ(Records(plan), expected);
    EXPECT_EQ(plan.FilesOf(Kind::Deleted), 0) << "a restore deletes nothing";
    EXPECT_EQ(plan.RestoreSentence(),
        "This restore will replace 2 files on the source, 1 of them newer than their backup copy, and bring back 2 "
        "files deleted from the source.");
    EXPECT_EQ(plan.RestoreSentence(), FormatString(LoadString(57766).c_str(), 2, 1, 2));

    // Planning changed nothing on either side.
    EXPECT_FALSE(fs::exists(Src("gone.txt")));
    EXPECT_EQ(TempDir::Read(Src("edited.txt")), "edited in the source");
}

TEST_F(RunPlanTest, NoPlanWithoutAPlannerOrOnceDroppedOrCancelled)
{
    CGetInfoWorker plain(MakeSet(0), cancel, clock);
    plain.Start();
    plain.Wait();
    EXPECT_FALSE(plain.Plans());
    EXPECT_EQ(plain.TakePlan().size(), 0u);

    // Dropped before the scans end: the planner is never called.
    bool called = false;
    CGetInfoWorker dropped(MakeSet(0), cancel, clock);
    dropped.SetPlanner([&called](const CSet&, std::vector<CEntryScan>, std::atomic<std::int32_t>&) {
        called = true;
        return CRunPlan();
    });
    dropped.DropPlan();
    dropped.Start();
    dropped.Wait();
    EXPECT_FALSE(called);
    EXPECT_EQ(dropped.PlanRunning, 0);

    // A cancelled action found too little to plan from.
    cancel = 1;
    CGetInfoWorker cancelled(MakeSet(0), cancel, clock);
    cancelled.SetPlanner([&called](const CSet&, std::vector<CEntryScan>, std::atomic<std::int32_t>&) {
        called = true;
        return CRunPlan();
    });
    cancelled.Start();
    cancelled.Wait();
    EXPECT_FALSE(called);
}
