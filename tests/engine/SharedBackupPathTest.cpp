#include "engine/SharedBackupPath.h"

#include "core/Set.h"

#include <gtest/gtest.h>

namespace {

// 2023-11-14 in every time zone.
constexpr std::time_t kNow = 1'700'000'000;

CSet SetOf(const std::vector<std::pair<std::string, std::string>>& entries)
{
    CSet set;
    for (const auto& [source, destination] : entries) {
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = source;
        entry.DestinationFolder = destination;
    }
    return set;
}

TEST(SharedBackupPath, SourcesOfOneNameIntoOneFolderShareIt)
{
    const auto shared = FindSharedBackupPath(SetOf({ { "/home/alice/Documents", "/backup" }, { "/srv/x", "/backup" },
                                                 { "/home/bob/Documents/", "/backup/./" } }),
        kNow);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->First, 0u);
    EXPECT_EQ(shared->Second, 2u);
    EXPECT_EQ(shared->Folder, "/backup/Documents");

    // After the tags are expanded, "<YEAR>" and "2023" are the same folder.
    EXPECT_TRUE(FindSharedBackupPath(SetOf({ { "/a/Docs", "/b/<YEAR>" }, { "/c/Docs", "/b/2023" } }), kNow));
    // The same source twice is the same backup too.
    EXPECT_TRUE(FindSharedBackupPath(SetOf({ { "/a/Docs", "/b" }, { "/a/Docs", "/b" } }), kNow));
}

TEST(SharedBackupPath, ABackupRootInsideAnotherIsShared)
{
    // The second entry's backup lies inside the first one's: the first run
    // would scan it as its own and delete it as missing from its source.
    const auto shared = FindSharedBackupPath(SetOf({ { "/a/Docs", "/b/Docs/inner" }, { "/home/Docs", "/b" } }), kNow);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->First, 1u);
    EXPECT_EQ(shared->Second, 0u);
    EXPECT_EQ(shared->Folder, "/b/Docs/inner/Docs");
}

TEST(SharedBackupPath, DistinctRootsAndUnusableEntriesPass)
{
    EXPECT_FALSE(FindSharedBackupPath(
        SetOf({ { "/a/Docs", "/b" }, { "/a/Docs2", "/b" }, { "/a/Doc", "/b" }, { "/c/Docs", "/other" } }), kNow));
    // Entries without a source or a backup folder take part in no run.
    EXPECT_FALSE(FindSharedBackupPath(SetOf({ { "", "/b" }, { "/x/Docs", "" }, { "/y/Docs", "/b" } }), kNow));
    // "<MONTH>" of another month is another folder.
    EXPECT_FALSE(FindSharedBackupPath(SetOf({ { "/a/Docs", "/b/<MONTH>" }, { "/c/Docs", "/b/01" } }), kNow));
}

} // namespace
