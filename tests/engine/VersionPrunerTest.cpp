// Pruning a real version area in a scratch backup folder.
#include "engine/VersionPruner.h"

#include "common/TempDir.h"
#include "engine/WallClock.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

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

TEST_F(VersionPrunerTest, SpaceCountsEachFileOnceAndOnlyInTheArea)
{
    std::uint64_t bytes = 1;
    ASSERT_EQ(CVersionPruner::SpaceUsed(backup, bytes), 0);
    EXPECT_EQ(bytes, 0u);
    dir.Write("backup/mirror.bin", std::string(1000, 'm'));
    Version("2025-01-01 120000", "a.bin", std::string(100, 'a'));
    const std::string shared = Version("2025-01-01 120000", "sub/b.bin", std::string(200, 'b'));
    fs::create_directories(Area() + "/2025-01-02 120000");
    fs::create_hard_link(shared, Area() + "/2025-01-02 120000/b.bin");
    ASSERT_EQ(CVersionPruner::SpaceUsed(backup, bytes), 0);
    EXPECT_EQ(bytes, 300u);
}

} // namespace
