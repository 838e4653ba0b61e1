// Listing a real version area made by hand, and putting versions back.
#include "common/TempDir.h"
#include "engine/VersionList.h"
#include "engine/VersionRestorer.h"
#include "engine/WallClock.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class VersionRestoreTest : public ::testing::Test {
protected:
    VersionRestoreTest() { fs::remove_all(HomeTrashFolder()); }
    ~VersionRestoreTest() override { fs::remove_all(HomeTrashFolder()); }

    // A version of the file at relative, set aside at stamp, last changed at
    // modified (seconds since 1970), with mode.
    void Version(const std::string& stamp, const std::string& relative, const std::string& bytes,
        std::int64_t modified = 1'600'000'000, mode_t mode = 0640)
    {
        const std::string path = dir.Write("dest/.korvane-versions/" + stamp + "/src/" + relative, bytes);
        ::chmod(path.c_str(), mode);
        const struct timespec times[2] = { { modified, 0 }, { modified, 0 } };
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

    std::vector<VersionItem> List() const
    {
        std::vector<VersionItem> versions;
        EXPECT_EQ(CVersionList::Read(area, versions), 0);
        return versions;
    }

    TempDir dir;
    // The entry's backup folder is dest/src.
    VersionArea area { dir / "dest", "src" };
    std::string source = dir / "source";
};

TEST_F(VersionRestoreTest, ListsEveryVersionWithItsStampTimeSizeAndModificationTime)
{
    Version("2025-03-02 081500", "docs/a.txt", "second", 1'700'000'000);
    Version("2025-03-01 120000", "docs/a.txt", "first");
    Version("2025-03-01 120000", "deep/x/y/z.bin", "12345678");
    // Neither is a stamp folder: passed over, as pruning passes them over.
    dir.Write("dest/.korvane-versions/notes/src/a.txt", "mine");
    dir.Write("dest/.korvane-versions/2025-03-03 000000", "a file, not a folder");
    // Another entry's versions in the same area, and a stamp folder holding
    // nothing of this entry's but a file of its name.
    dir.Write("dest/.korvane-versions/2025-03-01 120000/other/docs/a.txt", "another entry's");
    dir.Write("dest/.korvane-versions/2025-03-04 000000/src", "a file, not the entry's folder");
    dir.Write("dest/.korvane-versions/2025-03-05 000000/srcs/docs/a.txt", "a longer name");
    // The mirror beside the area is no version.
    dir.Write("dest/src/docs/a.txt", "current");

    const std::vector<VersionItem> versions = List();
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(versions[0].Path, "deep/x/y/z.bin");
    EXPECT_EQ(versions[0].Size, 8u);
    EXPECT_EQ(versions[1].Path, "docs/a.txt");
    EXPECT_EQ(CVersionList::TimeText(versions[1].SetAside), "2025-03-01 12:00:00");
    EXPECT_EQ(versions[1].Modified, 1'600'000'000);
    EXPECT_EQ(CVersionList::TimeText(versions[2].SetAside), "2025-03-02 08:15:00");
    EXPECT_EQ(versions[2].Size, 6u);
    EXPECT_EQ(versions[2].Modified, 1'700'000'000);

    // Newest at or before a time; none before the first.
    const auto at = [](const char* stamp) { return *CWallClock::ParseStamp(stamp); };
    EXPECT_EQ(CVersionList::NewestAtOrBefore(versions, "docs/a.txt", at("2025-03-02 081500")), &versions[2]);
    EXPECT_EQ(CVersionList::NewestAtOrBefore(versions, "docs/a.txt", at("2025-03-02 081459")), &versions[1]);
    EXPECT_EQ(CVersionList::NewestAtOrBefore(versions, "docs/a.txt", at("2025-03-01 115959")), nullptr);
    EXPECT_EQ(CVersionList::NewestAtOrBefore(versions, "docs", at("2025-03-09 000000")), nullptr);

    // A path limits to itself and what lies below it, not to a longer name.
    EXPECT_TRUE(CVersionList::Within("docs/a.txt", "docs"));
    EXPECT_TRUE(CVersionList::Within("docs/a.txt", "docs/a.txt"));
    EXPECT_TRUE(CVersionList::Within("docs/a.txt", "docs/"));
    EXPECT_FALSE(CVersionList::Within("docs2/a.txt", "docs"));
    EXPECT_TRUE(CVersionList::Within("docs2/a.txt", ""));
}

TEST_F(VersionRestoreTest, AnEntrysVersionsLieInItsDestinationsAreaBelowItsBackupFoldersName)
{
    CBackup entry;
    entry.SourceFolder = "/home/me/Documents/";
    entry.DestinationFolder = "/media/disk//";
    VersionArea where = CVersionList::EntryAreaOf(entry, 0);
    EXPECT_EQ("/media/disk", where.Folder);
    EXPECT_EQ("Documents", where.Root);
    EXPECT_EQ("/media/disk/.korvane-versions", where.AreaPath());
    entry.DestinationFolder = "/";
    where = CVersionList::EntryAreaOf(entry, 0);
    EXPECT_EQ("/", where.Folder);
    EXPECT_EQ("/.korvane-versions", where.AreaPath());
}

TEST_F(VersionRestoreTest, AFolderWithoutAreaHasNoVersionsAndALinkedAreaIsNotFollowed)
{
    fs::create_directories(area.Folder + "/src");
    EXPECT_TRUE(List().empty());
    dir.Write("elsewhere/2025-03-01 120000/src/secret.txt", "not a version");
    fs::create_directory_symlink(dir / "elsewhere", area.AreaPath());
    std::vector<VersionItem> versions;
    EXPECT_NE(CVersionList::Read(area, versions), 0);
    EXPECT_TRUE(versions.empty());
}

TEST_F(VersionRestoreTest, RestoreCopiesTheVersionBackAndTrashesWhatItReplaces)
{
    Version("2025-03-01 120000", "docs/a.txt", "old words", 1'600'000'000, 0604);
    Version("2025-03-01 120000", "gone/b.txt", "deleted file");
    dir.Write("source/docs/a.txt", "newer work");
    const std::vector<VersionItem> versions = List();
    ASSERT_EQ(versions.size(), 2u);

    CVersionRestorer restorer(area, source);
    for (const VersionItem& version : versions) {
        const CVersionRestorer::Result result = restorer.Restore(version);
        EXPECT_EQ(result.Failed, CVersionRestorer::Step::None) << CVersionRestorer::Message(result);
    }
    EXPECT_EQ(TempDir::Read(source + "/docs/a.txt"), "old words");
    EXPECT_EQ(TempDir::Read(source + "/gone/b.txt"), "deleted file");
    struct stat st { };
    ASSERT_EQ(::stat((source + "/docs/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'600'000'000);
    // The replaced file is in the trash, naming its place; the area keeps
    // the version.
    EXPECT_EQ(TempDir::Read(HomeTrashFolder() + "/files/a.txt"), "newer work");
    EXPECT_NE(TempDir::Read(HomeTrashFolder() + "/info/a.txt.trashinfo").find("docs/a.txt"), std::string::npos);
    EXPECT_EQ(TempDir::Read(area.AreaPath() + "/2025-03-01 120000/src/docs/a.txt"), "old words");
}

TEST_F(VersionRestoreTest, RestoreToPutsVersionsBelowTheChosenFolderAndLeavesTheSourceAlone)
{
    Version("2025-03-01 120000", "docs/a.txt", "old words");
    dir.Write("source/docs/a.txt", "newer work");
    dir.Write("chosen/docs/a.txt", "was here");
    CVersionRestorer restorer(area, dir / "chosen/");
    EXPECT_EQ(restorer.Restore(List().front()).Failed, CVersionRestorer::Step::None);
    EXPECT_EQ(TempDir::Read(dir / "chosen/docs/a.txt"), "old words");
    EXPECT_EQ(TempDir::Read(HomeTrashFolder() + "/files/a.txt"), "was here");
    EXPECT_EQ(TempDir::Read(source + "/docs/a.txt"), "newer work");
}

TEST_F(VersionRestoreTest, ALinkOnTheWayOrAMissingVersionStopsTheRestoreWithItsReason)
{
    Version("2025-03-01 120000", "docs/a.txt", "old words");
    const VersionItem version = List().front();
    // The source's docs is a link elsewhere: never followed.
    fs::create_directories(source);
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", source + "/docs");
    CVersionRestorer restorer(area, source);
    CVersionRestorer::Result result = restorer.Restore(version);
    EXPECT_EQ(result.Failed, CVersionRestorer::Step::OpenTarget);
    EXPECT_FALSE(fs::exists(dir / "outside/a.txt"));
    EXPECT_NE(CVersionRestorer::Message(result).find(source + "/docs/a.txt"), std::string::npos);

    // A version gone from the area leaves the file in its place alone.
    fs::remove(area.AreaPath() + "/2025-03-01 120000/src/docs/a.txt");
    dir.Write("chosen/docs/a.txt", "mine");
    CVersionRestorer elsewhere(area, dir / "chosen");
    result = elsewhere.Restore(version);
    EXPECT_EQ(result.Failed, CVersionRestorer::Step::OpenVersion);
    EXPECT_EQ(TempDir::Read(dir / "chosen/docs/a.txt"), "mine");
}

} // namespace
