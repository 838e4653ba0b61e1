// Pruning a real version area in a scratch backup folder.
#include "engine/VersionPruner.h"

#include "common/TempDir.h"
#include "engine/WallClock.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::int64_t At(const char* stamp)
{
    return CWallClock::ParseStamp(stamp).value_or(0);
}

CVersionSettings Rules(int keep, int days)
{
    CVersionSettings rules;
    rules.Active = 1;
    rules.Keep = keep;
    rules.Days = days;
    rules.ThinDays = rules.ThinWeeks = rules.ThinMonths = 0;
    return rules;
}

class VersionPrunerTest : public ::testing::Test {
protected:
    // A version of the file at relative, set aside at stamp.
    std::string Version(const std::string& stamp, const std::string& relative, const std::string& bytes = "v")
    {
        return dir.Write("backup/.korvane-versions/" + stamp + "/" + relative, bytes);
    }
    std::string Area() const { return dir / "backup/.korvane-versions"; }

    static std::vector<std::string> Paths(const std::vector<PrunedVersion>& list)
    {
        std::vector<std::string> paths;
        for (const PrunedVersion& version : list)
            paths.push_back(version.Path);
        return paths;
    }

    // Every item below the area, folders with a trailing '/'.
    std::vector<std::string> AreaTree() const
    {
        std::vector<std::string> items;
        for (const auto& item : fs::recursive_directory_iterator(Area())) {
            const std::string relative = fs::relative(item.path(), Area()).string();
            items.push_back(relative + (item.is_directory() && !item.is_symlink() ? "/" : ""));
        }
        std::sort(items.begin(), items.end());
        return items;
    }

    TempDir dir;
    std::string backup = dir / "backup";
};

TEST_F(VersionPrunerTest, TheDryListIsWhatPruningRemovesAndEmptiedFoldersGo)
{
    dir.Write("backup/docs/a.txt", "current");
    const std::string newest = Version("2025-01-03 120000", "docs/a.txt");
    Version("2025-01-02 120000", "docs/a.txt");
    Version("2025-01-01 120000", "docs/a.txt");
    // Gone from the source (not in the mirror): their last versions stay.
    Version("2025-01-01 120000", "deep/x/y/gone.txt");
    Version("2025-01-02 120000", "old.txt");
    Version("2025-01-03 120000", "old.txt");
    // Not a version folder: never touched.
    dir.Write("backup/.korvane-versions/notes/2025-01-01 120000", "mine");
    fs::create_directories(Area() + "/2024-12-31 235959/empty");

    CVersionPruner pruner(backup, Rules(1, 0), At("2025-06-01 000000"));
    std::vector<PrunedVersion> listed;
    ASSERT_EQ(pruner.List(listed), 0);
    const std::string area = Area() + "/";
    EXPECT_EQ(Paths(listed),
        (std::vector<std::string> { area + "2025-01-01 120000/docs/a.txt", area + "2025-01-02 120000/docs/a.txt",
            area + "2025-01-02 120000/old.txt" }));
    EXPECT_EQ(AreaTree().size(), 19u) << "a dry run changes nothing";

    std::vector<PrunedVersion> removed;
    ASSERT_EQ(pruner.Prune(&removed), 0);
    EXPECT_EQ(Paths(removed), Paths(listed));
    EXPECT_EQ(AreaTree(),
        (std::vector<std::string> { "2025-01-01 120000/", "2025-01-01 120000/deep/", "2025-01-01 120000/deep/x/",
            "2025-01-01 120000/deep/x/y/", "2025-01-01 120000/deep/x/y/gone.txt", "2025-01-03 120000/",
            "2025-01-03 120000/docs/", "2025-01-03 120000/docs/a.txt", "2025-01-03 120000/old.txt", "notes/",
            "notes/2025-01-01 120000" }));
    EXPECT_TRUE(fs::exists(newest));
    EXPECT_EQ(TempDir::Read(dir / "backup/docs/a.txt"), "current");
    ASSERT_EQ(pruner.List(listed), 0);
    EXPECT_TRUE(listed.empty());
}

TEST_F(VersionPrunerTest, AgeCountsFromTheVersionFolderNotFromTheFile)
{
    const std::string recent = Version("2025-05-30 120000", "a.txt");
    const std::string old = Version("2025-04-01 120000", "b.txt");
    dir.Write("backup/a.txt", "");
    dir.Write("backup/b.txt", "");
    fs::last_write_time(recent, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20));
    fs::last_write_time(old, fs::file_time_type::clock::now());
    CVersionPruner pruner(backup, Rules(0, 30), At("2025-06-01 000000"));
    std::vector<PrunedVersion> removed;
    ASSERT_EQ(pruner.Prune(&removed), 0);
    EXPECT_EQ(Paths(removed), std::vector<std::string> { old });
    EXPECT_TRUE(fs::exists(recent));
}

TEST_F(VersionPrunerTest, LinksAreVersionsOfTheirOwnAndNeverFollowed)
{
    dir.Write("outside/precious.txt", "keep me");
    fs::create_directories(Area() + "/2025-01-01 120000");
    fs::create_directories(Area() + "/2025-01-02 120000");
    fs::create_directory_symlink(dir / "outside", Area() + "/2025-01-01 120000/dir");
    fs::create_directory_symlink(dir / "outside", Area() + "/2025-01-02 120000/dir");
    // A version folder that is a link is no version folder.
    fs::create_directory_symlink(dir / "outside", Area() + "/2025-01-03 120000");
    dir.Write("backup/dir", "");

    CVersionPruner pruner(backup, Rules(1, 0), At("2025-06-01 000000"));
    std::vector<PrunedVersion> removed;
    ASSERT_EQ(pruner.Prune(&removed), 0);
    EXPECT_EQ(Paths(removed), std::vector<std::string> { Area() + "/2025-01-01 120000/dir" });
    EXPECT_EQ(TempDir::Read(dir / "outside/precious.txt"), "keep me");
    EXPECT_TRUE(fs::is_symlink(Area() + "/2025-01-02 120000/dir"));
    EXPECT_TRUE(fs::is_symlink(Area() + "/2025-01-03 120000"));

    // Nor is the area itself reached through a link.
    fs::remove_all(Area());
    dir.Write("elsewhere/2025-01-01 120000/x.txt", "old");
    dir.Write("elsewhere/2025-01-02 120000/x.txt", "new");
    fs::create_directory_symlink(dir / "elsewhere", Area());
    std::vector<PrunedVersion> listed;
    EXPECT_EQ(pruner.List(listed), ELOOP);
    EXPECT_NE(pruner.Prune(), 0);
    EXPECT_EQ(TempDir::Read(dir / "elsewhere/2025-01-01 120000/x.txt"), "old");
    std::uint64_t bytes = 1;
    EXPECT_EQ(CVersionPruner::SpaceUsed(backup, bytes), ELOOP);
}

TEST_F(VersionPrunerTest, AnInterruptedPruneLeavesWhatIsKeptAndTheRerunFinishes)
{
    const char* stamps[] = { "2025-01-01 120000", "2025-01-02 120000", "2025-01-03 120000", "2025-01-04 120000" };
    for (const char* stamp : stamps) {
        for (const char* file : { "a.txt", "sub/b.txt", "gone.txt" })
            Version(stamp, file, stamp);
    }
    dir.Write("backup/a.txt", "");
    dir.Write("backup/sub/b.txt", "");
    CVersionPruner pruner(backup, Rules(2, 0), At("2025-06-01 000000"));
    std::vector<PrunedVersion> all;
    ASSERT_EQ(pruner.List(all), 0);
    ASSERT_EQ(all.size(), 6u);
    // Killed after three removals, before any folder went.
    for (std::size_t i = 0; i < 3; ++i)
        fs::remove(all[i].Path);
    std::vector<PrunedVersion> rest;
    ASSERT_EQ(pruner.List(rest), 0);
    EXPECT_EQ(Paths(rest), Paths({ all.begin() + 3, all.end() }));
    ASSERT_EQ(pruner.Prune(), 0);
    EXPECT_EQ(AreaTree(),
        (std::vector<std::string> { "2025-01-03 120000/", "2025-01-03 120000/a.txt", "2025-01-03 120000/gone.txt",
            "2025-01-03 120000/sub/", "2025-01-03 120000/sub/b.txt", "2025-01-04 120000/", "2025-01-04 120000/a.txt",
            "2025-01-04 120000/gone.txt", "2025-01-04 120000/sub/", "2025-01-04 120000/sub/b.txt" }));
}

// What du counts: the blocks of every item below the area, a file with
// several names once.
std::uint64_t BlocksBelow(const std::string& area)
{
    std::set<std::pair<dev_t, ino_t>> seen;
    std::uint64_t bytes = 0;
    const auto add = [&](const std::string& path) {
        struct stat st { };
        if (::lstat(path.c_str(), &st) == 0 && seen.emplace(st.st_dev, st.st_ino).second)
            bytes += static_cast<std::uint64_t>(st.st_blocks) * 512;
    };
    add(area);
    for (const auto& item : fs::recursive_directory_iterator(area))
        add(item.path().string());
    return bytes;
}

TEST_F(VersionPrunerTest, SpaceCountsAllocatedBlocksEachFileOnceAndOnlyInTheArea)
{
    std::uint64_t bytes = 1;
    ASSERT_EQ(CVersionPruner::SpaceUsed(backup, bytes), 0);
    EXPECT_EQ(bytes, 0u);
    dir.Write("backup/mirror.bin", std::string(100000, 'm'));
    Version("2025-01-01 120000", "a.bin", std::string(10000, 'a'));
    const std::string shared = Version("2025-01-01 120000", "sub/b.bin", std::string(20000, 'b'));
    fs::create_directories(Area() + "/2025-01-02 120000");
    fs::create_hard_link(shared, Area() + "/2025-01-02 120000/b.bin");
    // Mostly a hole: its size is not what it takes.
    const std::string sparse = Version("2025-01-02 120000", "sparse.bin", "");
    fs::resize_file(sparse, 64 << 20);
    ASSERT_EQ(CVersionPruner::SpaceUsed(backup, bytes), 0);
    EXPECT_EQ(bytes, BlocksBelow(Area()));
    EXPECT_GE(bytes, 30000u);
    EXPECT_LT(bytes, 1u << 20);
}

TEST_F(VersionPrunerTest, PruningTellsTheSpaceLeftAsAFreshCountWould)
{
    dir.Write("backup/a.txt", "now");
    const std::string kept = Version("2025-01-03 120000", "a.txt", std::string(9000, '3'));
    const std::string gone = Version("2025-01-01 120000", "a.txt", std::string(9000, '1'));
    // Two names of one file: one goes, one stays, and the blocks stay too.
    Version("2025-01-02 120000", "a.txt", std::string(30000, '2'));
    fs::create_directories(Area() + "/2025-01-03 120000/other");
    fs::create_hard_link(Area() + "/2025-01-02 120000/a.txt", Area() + "/2025-01-03 120000/other/gone.txt");
    CVersionPruner pruner(backup, Rules(1, 0), At("2025-06-01 000000"));
    std::vector<PrunedVersion> listed;
    ASSERT_EQ(pruner.List(listed), 0);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(pruner.Space(), BlocksBelow(Area()));

    ASSERT_EQ(pruner.Prune(), 0);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(Area() + "/2025-01-01 120000")) << "its folder went too";
    EXPECT_TRUE(fs::exists(kept));
    std::uint64_t fresh = 0;
    ASSERT_EQ(CVersionPruner::SpaceUsed(backup, fresh), 0);
    EXPECT_EQ(fresh, BlocksBelow(Area()));
    EXPECT_EQ(pruner.Space(), fresh);

    fs::remove_all(Area());
    ASSERT_EQ(pruner.Prune(), 0);
    EXPECT_EQ(pruner.Space(), 0u);
}

// A dry run sets nothing aside, yet the real run would: what it would set
// aside counts, from where it lies, as a version of the run's stamp.
TEST_F(VersionPrunerTest, PlannedVersionsCountAsTheRealRunsWould)
{
    dir.Write("backup/docs/a.txt", "to be replaced");
    dir.Write("backup/gone/x/b.txt", "to be deleted with its folder");
    for (const char* stamp : { "2025-01-01 120000", "2025-01-02 120000" }) {
        Version(stamp, "docs/a.txt");
        Version(stamp, "gone/x/b.txt");
    }
    CVersionPruner pruner(backup, Rules(2, 0), At("2025-06-01 000000"));
    std::vector<PrunedVersion> listed;
    ASSERT_EQ(pruner.List(listed), 0);
    EXPECT_TRUE(listed.empty());

    pruner.AddPlanned("2025-06-01 000000", "docs/a.txt");
    pruner.AddPlanned("2025-06-01 000000", "gone");
    // Gone already (set aside with a folder named before it): passed over.
    pruner.AddPlanned("2025-06-01 000000", "docs/never.txt");
    ASSERT_EQ(pruner.List(listed), 0);
    EXPECT_EQ(Paths(listed),
        (std::vector<std::string> {
            Area() + "/2025-01-01 120000/docs/a.txt", Area() + "/2025-01-01 120000/gone/x/b.txt" }));
    EXPECT_EQ(TempDir::Read(dir / "backup/gone/x/b.txt"), "to be deleted with its folder");
}

} // namespace
