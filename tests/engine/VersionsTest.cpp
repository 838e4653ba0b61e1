#include "engine/DryRunOperations.h"
#include "engine/EngineFixture.h"
#include "engine/GetInfoWorker.h"
#include "engine/PruneRecord.h"
#include "engine/VersionPruner.h"
#include "engine/WallClock.h"
#include "platform/Trash.h"
#include "scan/CompareFiles.h"

#include <filesystem>
#include <fstream>
#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

constexpr std::time_t kHour = 3600;

// A small tmpfs on a folder, for as long as the object lives: another file
// system where a test needs one. Not every machine lets a test mount.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& at)
        : m_at(at)
    {
        fs::create_directories(at);
        m_mounted = ::mount("korvane-test", at.c_str(), "tmpfs", 0, "size=1m") == 0;
    }
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_at.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    std::string m_at;
    bool m_mounted = false;
};

// Backups of a set that keeps versions, each run an hour after the last on
// the injected clock, scanned as the action scan does.
class VersionsTest : public EngineFixture {
protected:
    VersionsTest()
    {
        settings.Actions.BackupDelete = 1;
        settings.Actions.DisplayError = 0;
        fs::remove_all(HomeTrashFolder());
    }
    ~VersionsTest() override { fs::remove_all(HomeTrashFolder()); }

    CSet VersionSet() const
    {
        CSet set = MakeSet(0);
        set.Versions.Active = 1;
        set.Versions.Keep = 1;
        set.Versions.ThinDays = set.Versions.ThinWeeks = set.Versions.ThinMonths = 0;
        return set;
    }
    // Scans through the action scan itself, which decides what is left out.
    std::unique_ptr<CProgressWorker> Backup(CSet set)
    {
        clock.Advance(kHour);
        CGetInfoWorker scan(set, cancel, clock);
        scan.Start();
        scan.Wait();
        scans = std::move(scan.Scans);
        return RunSet(scan.Set, false);
    }
    std::unique_ptr<CProgressWorker> Backup() { return Backup(VersionSet()); }
    // A backup in which rel vanishes between its listing and its copy: a
    // failed item.
    std::unique_ptr<CProgressWorker> BackupLosing(const CSet& set, const std::string& rel)
    {
        clock.Advance(kHour);
        Scan(set);
        fs::remove(Src(rel));
        return RunSet(set, false);
    }
    std::string Area() const { return dir / "backup" + "/" + CVersionPruner::kAreaName; }
    // The version of rel (below the entry's root) set aside by the last run.
    std::string Version(const std::string& rel, std::time_t run = 0) const
    {
        const std::string stamp = CWallClock::Stamp(CWallClock::FromEpoch(run ? run : clock.Now()));
        return Area() + "/" + stamp + "/Documents/" + rel;
    }
    void WriteMany(int count, const std::string& bytes, std::time_t mtime)
    {
        for (int i = 0; i < count; ++i)
            Write("many/f" + std::to_string(i), bytes + std::to_string(i), mtime);
    }
};

TEST_F(VersionsTest, ReplacedAndDeletedFilesMoveIntoTheRunsVersionsNotTheTrash)
{
    settings.Actions.BackupTrash = 1;
    Write("a.txt", "one", 1'600'000'000);
    Write("gone.txt", "deleted later");
    Write("sub/inner.txt", "in a folder deleted later");
    // Enough replacements for the second copying thread, were they shared.
    WriteMany(6, "old ", 1'600'000'000);
    fs::create_symlink("a.txt", Src("link"));
    ASSERT_EQ(0, Backup()->FailedItems.load());
    EXPECT_FALSE(fs::exists(Area()));

    Write("a.txt", "two", 1'600'000'100);
    WriteMany(6, "new ", 1'600'000'100);
    fs::remove(Src("gone.txt"));
    fs::remove_all(Src("sub"));
    fs::remove(Src("link"));
    fs::create_symlink("many/f0", Src("link"));
    auto run = Backup();
    const std::time_t second = clock.Now();

    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("two", TempDir::Read(Root("a.txt")));
    EXPECT_EQ("one", TempDir::Read(Version("a.txt")));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ("old " + std::to_string(i), TempDir::Read(Version("many/f" + std::to_string(i))));
    // A link is a version as a link.
    EXPECT_EQ("a.txt", fs::read_symlink(Version("link")).string());
    EXPECT_EQ("deleted later", TempDir::Read(Version("gone.txt")));
    EXPECT_EQ("in a folder deleted later", TempDir::Read(Version("sub/inner.txt")));
    EXPECT_FALSE(fs::exists(HomeTrashFolder() + "/files"));
    EXPECT_EQ(2u, run->DeletedFiles.size());
    EXPECT_EQ(8u, run->UpdatedFiles.size());
    // Only its owner may look into the versions of private folders.
    EXPECT_EQ(fs::perms::owner_all, fs::status(Area()).permissions());
    ExpectMirror(Src(), Root());

    // Another change: the count keeps one version of a file in the source,
    // while the version of a deleted file is its last copy and stays.
    Write("a.txt", "three", 1'600'000'200);
    run = Backup();
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("two", TempDir::Read(Version("a.txt")));
    EXPECT_FALSE(fs::exists(Version("a.txt", second)));
    EXPECT_EQ("deleted later", TempDir::Read(Version("gone.txt", second)));
    EXPECT_EQ(1u, CountLines(LogText(), "Removed 1 old versions from " + Area()));
}

TEST_F(VersionsTest, TheVersionAreaIsNeverScannedDeletedNorBackedUp)
{
    Write("a.txt", "one", 1'600'000'000);
    Backup();
    Write("a.txt", "two", 1'600'000'100);
    Backup();
    const std::string kept = Version("a.txt");
    ASSERT_EQ("one", TempDir::Read(kept));

    auto run = Backup();
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_TRUE(run->DeletedFiles.empty());
    EXPECT_TRUE(run->DeletedFolders.empty());
    EXPECT_TRUE(run->AddedFiles.empty());
    EXPECT_EQ("one", TempDir::Read(kept));

    // A backup into its own source: the versions it keeps there are not
    // the user's files.
    CSet set = VersionSet();
    set.Entries[0].DestinationFolder = Src();
    const std::string area = Src() + "/" + CVersionPruner::kAreaName;
    fs::create_directories(area + "/2020-01-01 000000");
    dir.Write(area.substr(dir.Path().size() + 1) + "/2020-01-01 000000/old.txt", "x");
    run = Backup(set);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_TRUE(fs::exists(Src("Documents/a.txt")));
    EXPECT_FALSE(fs::exists(Src("Documents/") + CVersionPruner::kAreaName));
}

TEST_F(VersionsTest, AFailedRunPrunesNothing)
{
    Write("a.txt", "one", 1'600'000'000);
    Write("b.txt", "vanishes during the run");
    Backup();
    Write("a.txt", "two", 1'600'000'100);
    Backup();
    const std::string older = Version("a.txt");

    Write("a.txt", "three", 1'600'000'200);
    Write("b.txt", "changed", 1'600'000'200);
    // Gone between its listing and its copy: a failed item.
    clock.Advance(kHour);
    const CSet set = VersionSet();
    Scan(set);
    fs::remove(Src("b.txt"));
    auto run = RunSet(set, false);
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_EQ("two", TempDir::Read(Version("a.txt")));
    EXPECT_EQ("one", TempDir::Read(older));
    // The old copy of what failed to be replaced is among the versions.
    EXPECT_EQ("vanishes during the run", TempDir::Read(Version("b.txt")));
}

TEST_F(VersionsTest, AnAreaThatIsNoFolderOfTheBackupsFileSystemIsRefused)
{
    Write("a.txt", "one", 1'600'000'000);
    Backup();
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", Area());
    Write("a.txt", "two", 1'600'000'100);
    auto run = Backup();
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_EQ("one", TempDir::Read(Root("a.txt")));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    ASSERT_EQ(1u, display.failed.size());
    EXPECT_NE(std::string::npos, display.failed[0].find("Versions cannot be kept in '" + Area() + "'"));
}

TEST_F(VersionsTest, AMassChangeIsAskedAndANoKeepsTheEntryAsItWas)
{
    settings.Actions.DisplayError = 1;
    WriteMany(150, "old ", 1'600'000'000);
    CSet set = VersionSet();
    set.Versions.Active = 0; // the brake holds without versions too
    Backup(set);

    for (int i = 0; i < 100; ++i)
        fs::remove(Src("many/f" + std::to_string(i)));
    for (int i = 100; i < 120; ++i)
        Write("many/f" + std::to_string(i), "new", 1'600'000'100);
    prompter.Answer(IdNo);
    auto run = Backup(set);
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ("The backup of '" + Src() + "' would delete or replace 120 of the 150 files in its backup folder '"
            + Root() + "'.\nDo you want to go on?",
        prompter.asked[0].text);
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_EQ(150, static_cast<int>(std::distance(fs::directory_iterator(Root("many")), fs::directory_iterator())));
    EXPECT_EQ("old 119", TempDir::Read(Root("many/f119")));
    EXPECT_EQ(1u, CountLines(LogText(), "would be deleted or replaced"));

    // Asked again next time; a Yes goes on.
    prompter.Answer(IdYes);
    run = Backup(set);
    EXPECT_EQ(2u, prompter.asked.size());
    EXPECT_EQ(0, run->FailedItems.load());
    ExpectMirror(Src(), Root());
}

// Checksums plan every file on both sides as a possible replacement: the
// brake counts by size and time, or a run with nothing changed would ask.
TEST_F(VersionsTest, AChecksumBackupWithNothingChangedIsNotBraked)
{
    settings.Actions.DisplayError = 1;
    settings.General.CompareType = kCompareCrc32;
    WriteMany(150, "same ", 1'600'000'000);
    Backup();
    auto run = Backup();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(0, run->FailedItems.load());
}

TEST_F(VersionsTest, UnaskedTheBrakeSaysNoAndTheDryRunListsWhatPruningWouldRemove)
{
    WriteMany(120, "old ", 1'600'000'000);
    Write("a.txt", "one", 1'600'000'000);
    Backup();
    Write("a.txt", "two", 1'600'000'100);
    Backup();
    const std::string older = Version("a.txt");

    // Two days on, the day limit lets the old version go.
    clock.Advance(2 * 24 * kHour);
    CSet set = VersionSet();
    set.Versions.Days = 1;
    Write("a.txt", "three", 1'600'000'200);
    CDryRunOperations dry;
    beforeStart = [&dry](CProgressWorker& worker) { worker.SetFileOperations(dry); };
    auto run = Backup(set);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ(std::vector<std::string> { older }, run->Plan.PrunedVersions);
    EXPECT_TRUE(fs::exists(older));
    EXPECT_EQ("two", TempDir::Read(Root("a.txt")));

    // The brake in a dry run: No, said on the display, and nothing planned.
    for (int i = 0; i < 120; ++i)
        fs::remove(Src("many/f" + std::to_string(i)));
    run = Backup(set);
    EXPECT_EQ(1, run->FailedItems.load());
    ASSERT_EQ(1u, display.failed.size());
    EXPECT_NE(std::string::npos, display.failed[0].find("would delete or replace 120 of the 121 files"));
    EXPECT_EQ(0u, run->Plan.size());
    EXPECT_TRUE(run->Plan.PrunedVersions.empty());
}

TEST_F(VersionsTest, AnAreaOnAnotherFileSystemIsRefusedAndNothingIsReplaced)
{
    Write("a.txt", "one", 1'600'000'000);
    Write("gone.txt", "still needed");
    Backup();
    TmpfsMount mount(Area());
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";
    Write("a.txt", "two", 1'600'000'100);
    fs::remove(Src("gone.txt"));
    auto run = Backup();
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_EQ("one", TempDir::Read(Root("a.txt")));
    EXPECT_EQ("still needed", TempDir::Read(Root("gone.txt")));
    EXPECT_TRUE(fs::is_empty(Area()));
    ASSERT_EQ(1u, display.failed.size());
    EXPECT_NE(std::string::npos,
        display.failed[0].find("Versions cannot be kept in '" + Area()
            + "': it is not a folder on the file system of the backup folder '" + (dir / "backup") + "'"));
}

// A folder of the backup on a file system of its own cannot rename its
// files into the area: they stay, failed, and are never copied there.
TEST_F(VersionsTest, AFileOnAnotherFileSystemThanTheAreaFailsAndIsNeverCopied)
{
    TmpfsMount mount(Root("sub"));
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";
    Write("a.txt", "one", 1'600'000'000);
    Write("sub/b.txt", "b one", 1'600'000'000);
    Backup();
    ASSERT_EQ("b one", TempDir::Read(Root("sub/b.txt")));

    Write("a.txt", "two", 1'600'000'100);
    Write("sub/b.txt", "b two", 1'600'000'100);
    auto run = Backup();
    EXPECT_EQ(1, run->FailedItems.load());
    ASSERT_EQ(1u, run->Failures.size());
    EXPECT_EQ(Root("sub/b.txt"), run->Failures[0].Path);
    EXPECT_EQ("Not replaced, as it lies on another file system than the version area", run->Failures[0].Reason);
    EXPECT_EQ("b one", TempDir::Read(Root("sub/b.txt")));
    EXPECT_FALSE(fs::exists(Version("sub/b.txt")));
    // The rest of the run went on.
    EXPECT_EQ("two", TempDir::Read(Root("a.txt")));
    EXPECT_EQ("one", TempDir::Read(Version("a.txt")));
}

TEST_F(VersionsTest, TheDryRunListsExactlyWhatTheRealRunThenPrunes)
{
    CSet set = VersionSet();
    set.Versions.Keep = 2;
    Write("a.txt", "one", 1'600'000'000);
    Write("sub/x.txt", "x one", 1'600'000'000);
    Backup(set);
    Write("a.txt", "two", 1'600'000'100);
    Write("sub/x.txt", "x two", 1'600'000'100);
    Backup(set);
    const std::time_t first = clock.Now();
    Write("a.txt", "three", 1'600'000'200);
    Write("sub/x.txt", "x three", 1'600'000'200);
    Backup(set);
    const std::time_t second = clock.Now();
    ASSERT_EQ("one", TempDir::Read(Version("a.txt", first)));
    ASSERT_EQ("x two", TempDir::Read(Version("sub/x.txt", second)));

    // A third version of each: a change, and a folder deleted whole.
    Write("a.txt", "four", 1'600'000'300);
    fs::remove_all(Src("sub"));
    CDryRunOperations dry;
    beforeStart = [&dry](CProgressWorker& worker) { worker.SetFileOperations(dry); };
    auto run = Backup(set);
    EXPECT_EQ(0, run->FailedItems.load());
    const std::vector<std::string> oldest { Version("a.txt", first), Version("sub/x.txt", first) };
    EXPECT_EQ(oldest, run->Plan.PrunedVersions);
    EXPECT_TRUE(run->VersionSpace.empty());

    beforeStart = nullptr;
    run = Backup(set);
    EXPECT_EQ(0, run->FailedItems.load());
    for (const std::string& version : oldest)
        EXPECT_FALSE(fs::exists(version)) << version;
    EXPECT_EQ("two", TempDir::Read(Version("a.txt", second)));
    EXPECT_EQ("three", TempDir::Read(Version("a.txt")));
    EXPECT_EQ("x three", TempDir::Read(Version("sub/x.txt")));
    EXPECT_EQ(1u, CountLines(LogText(), "Removed 2 old versions from " + Area()));
}

TEST_F(VersionsTest, EachRunTellsWhatItsVersionAreaTakesOncePruned)
{
    const auto spaceNow = [this] {
        std::uint64_t bytes = 0;
        EXPECT_EQ(0, CVersionPruner::SpaceUsed(dir / "backup", bytes));
        return bytes;
    };
    Write("a.txt", std::string(40000, '1'), 1'600'000'000);
    Write("b.txt", "vanishes during the run");
    auto run = Backup();
    ASSERT_EQ(1u, run->VersionSpace.size());
    EXPECT_EQ(Area(), run->VersionSpace[0].Area);
    EXPECT_EQ(0u, run->VersionSpace[0].Bytes);

    Write("a.txt", std::string(40000, '2'), 1'600'000'100);
    run = Backup();
    ASSERT_EQ(1u, run->VersionSpace.size());
    EXPECT_GE(run->VersionSpace[0].Bytes, 40000u);
    EXPECT_EQ(spaceNow(), run->VersionSpace[0].Bytes);

    // One version kept: the older goes, and the space told is what is left.
    Write("a.txt", std::string(40000, '3'), 1'600'000'200);
    run = Backup();
    ASSERT_EQ(1u, run->VersionSpace.size());
    EXPECT_EQ(spaceNow(), run->VersionSpace[0].Bytes);

    // A failed run prunes nothing, and tells what the area takes all the same.
    Write("a.txt", std::string(40000, '4'), 1'600'000'300);
    Write("b.txt", "changed", 1'600'000'300);
    run = BackupLosing(VersionSet(), "b.txt");
    EXPECT_EQ(1, run->FailedItems.load());
    ASSERT_EQ(1u, run->VersionSpace.size());
    EXPECT_EQ(spaceNow(), run->VersionSpace[0].Bytes);
}

} // namespace

namespace {

constexpr std::time_t kDay = 24 * kHour;

// A pass that changes nothing walks the area at most once a day: a version
// planted by hand past the day limit shows whether a run pruned.
class PruneOnceADayTest : public VersionsTest {
protected:
    PruneOnceADayTest()
    {
        // 08:00 on the local wall clock; each backup runs an hour on.
        const std::int64_t wall = CWallClock::FromEpoch(clock.Now());
        clock.Set(clock.Now() + static_cast<std::time_t>(CWallClock::DayOf(wall) * kDay + 8 * kHour - wall));
        rules.Versions.Days = 2;
        Write("a.txt", "one", 1'600'000'000);
        Write("b.txt", "b one", 1'600'000'000);
        Backup(rules);
        Write("a.txt", "two", 1'600'000'100);
        EXPECT_EQ(0, Backup(rules)->FailedItems.load());
    }

    // A version of 2020 of a file the source still has.
    std::string Plant() const
    {
        const std::string planted = Area() + "/2020-01-01 000000/Documents/a.txt";
        fs::create_directories(fs::path(planted).parent_path());
        std::ofstream(planted) << std::string(9000, 'p');
        return planted;
    }
    std::uint64_t SpaceNow() const
    {
        std::uint64_t bytes = 0;
        EXPECT_EQ(0, CVersionPruner::SpaceUsed(dir / "backup", bytes));
        return bytes;
    }
    std::uint64_t SpaceTold(const CProgressWorker& run) const
    {
        EXPECT_EQ(1u, run.VersionSpace.size());
        return run.VersionSpace.empty() ? 0 : run.VersionSpace[0].Bytes;
    }

    CSet rules = VersionSet();
};

TEST_F(PruneOnceADayTest, ASecondNoChangeRunTheSameDayDoesNotWalkAndTheNextDaysRunDoes)
{
    const std::uint64_t pruned = SpaceNow();
    const std::string planted = Plant();
    // The dry run says what the real run does: nothing to prune today.
    CDryRunOperations dry;
    beforeStart = [&dry](CProgressWorker& worker) { worker.SetFileOperations(dry); };
    EXPECT_TRUE(Backup(rules)->Plan.PrunedVersions.empty());
    beforeStart = nullptr;
    auto run = Backup(rules);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_TRUE(fs::exists(planted));
    // The space told is the one the last pruning left, from its record.
    EXPECT_EQ(pruned, SpaceTold(*run));

    // 23:00 is still today; 00:00 is the next day.
    clock.Advance(10 * kHour);
    Backup(rules);
    EXPECT_TRUE(fs::exists(planted));
    beforeStart = [&dry](CProgressWorker& worker) { worker.SetFileOperations(dry); };
    EXPECT_EQ(std::vector<std::string> { planted }, Backup(rules)->Plan.PrunedVersions);
    beforeStart = nullptr;
    run = Backup(rules);
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_EQ(pruned, SpaceTold(*run));
    EXPECT_EQ(SpaceNow(), SpaceTold(*run));
}

TEST_F(PruneOnceADayTest, ChangedRulesOrARunThatSetVersionsAsidePruneAtOnce)
{
    const std::string planted = Plant();
    rules.Versions.Keep = 5;
    Backup(rules);
    EXPECT_FALSE(fs::exists(planted));

    // A failed run that sets a version aside prunes nothing, and the next
    // run of the day, with nothing to set aside, prunes what it left.
    Plant();
    Write("a.txt", "three", 1'600'000'200);
    Write("b.txt", "b two", 1'600'000'200);
    auto run = BackupLosing(rules, "b.txt");
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_TRUE(fs::exists(planted));
    EXPECT_EQ("two", TempDir::Read(Version("a.txt")));
    EXPECT_EQ(SpaceNow(), SpaceTold(*run));
    Write("b.txt", "b one", 1'600'000'000);
    run = Backup(rules);
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("two", TempDir::Read(Version("a.txt", clock.Now() - kHour)));
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_EQ(SpaceNow(), SpaceTold(*run));
}

TEST_F(PruneOnceADayTest, AMissingOrUnreadableRecordMeansAWalk)
{
    const std::string record = Area() + "/" + CPruneRecord::kName;
    ASSERT_TRUE(fs::is_regular_file(record));
    std::string planted = Plant();
    fs::remove(record);
    Backup(rules);
    EXPECT_FALSE(fs::exists(planted));

    planted = Plant();
    std::ofstream(record) << "pruned yesterday\n";
    Backup(rules);
    EXPECT_FALSE(fs::exists(planted));

    // A link in its place is never read through, nor written through.
    planted = Plant();
    const std::string elsewhere = dir / "elsewhere.txt";
    fs::copy_file(record, elsewhere);
    fs::remove(record);
    fs::create_symlink(elsewhere, record);
    Backup(rules);
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(record)));
    EXPECT_EQ(TempDir::Read(elsewhere).find("pruned "), 0u);
    EXPECT_NE(TempDir::Read(elsewhere), TempDir::Read(record));
}

} // namespace
