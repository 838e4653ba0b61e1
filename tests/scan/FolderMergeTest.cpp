#include "scan/FolderMerge.h"

#include "common/TempDir.h"
#include "scan/FileRecordArray.h"
#include "scan/FolderLister.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

Paths Relative(const CFileRecordArray& array)
{
    Paths paths;
    for (const CFileRecord& record : array)
        paths.push_back(record.Path.str());
    return paths;
}

Paths WholeScan(const TempDir& dir, const std::string& excludeFolders = "", const std::string& include = "*.*")
{
    CFileRecordArray array;
    array.ScanFolder(dir.Path() + "/", excludeFolders, include, "", true, CFileRecordArray::kByPath, true, nullptr,
        nullptr, nullptr, nullptr, 0, nullptr);
    return Relative(array);
}

CFolderLister::Masks MasksOf(const std::string& excludeFolders = "", const std::string& include = "*.*")
{
    CFolderLister::Masks masks;
    masks.ExcludeFolders = excludeFolders;
    masks.IncludeFiles = include;
    return masks;
}

// What a walk met: both sides' records stretch by stretch, and the folders
// it left.
struct Walked {
    Paths from;
    Paths to;
    Paths left;
    bool oneFolderEach = true; // no stretch held records of two folders
};

void Note(const CFileRecordArray& stretch, Paths& into, bool& oneFolder)
{
    for (const CFileRecord& record : stretch) {
        into.push_back(record.Path.str());
        oneFolder = oneFolder && record.Path.FolderBelowRoot() == stretch.front().Path.FolderBelowRoot();
    }
}

Walked Walk(CFolderLister& from, CFolderLister* to, bool enterToOnly, unsigned readers)
{
    Walked walked;
    CFolderMerge merge(from, to, enterToOnly, readers);
    const bool done = merge.Walk(
        [&](CFileRecordArray& f, CFileRecordArray& t) {
            Note(f, walked.from, walked.oneFolderEach);
            Note(t, walked.to, walked.oneFolderEach);
            return true;
        },
        [&](const std::string& below) {
            walked.left.push_back(below);
            return true;
        });
    EXPECT_TRUE(done);
    return walked;
}

// Every walk is made by the walking thread alone and with threads reading
// ahead: what it meets must not differ.
class FolderMergeTest : public ::testing::TestWithParam<unsigned> {
protected:
    FolderMergeTest()
    {
        // Names that sort between a folder and what lies inside it.
        for (const char* name : { "a.txt", "a-b", "a/x", "a/x.y", "a/sub/deep", "a0", "b/c/d.txt", "z" })
            source.Write(name, "s");
        fs::create_directories(source / "empty");
        for (const char* name : { "a/x", "a/old/gone.txt", "a-b", "b/c/d.txt", "only/here.txt", "z" })
            backup.Write(name, "b");
    }

    CFolderLister Lister(const TempDir& dir, const CFolderLister::Masks& masks = MasksOf())
    {
        return CFolderLister(dir.Path() + "/", masks, nullptr, std::string(), {}, nullptr);
    }

    Walked Walk(CFolderLister& from, CFolderLister* to, bool enterToOnly)
    {
        return ::Walk(from, to, enterToOnly, GetParam());
    }

    TempDir source;
    TempDir backup;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Readers, FolderMergeTest, ::testing::Values(0u, 3u));

TEST_P(FolderMergeTest, StretchesComeInTheOrderOfOneSortedListOfEachSide)
{
    CFolderLister from = Lister(source);
    CFolderLister to = Lister(backup);
    const Walked walked = Walk(from, &to, true);
    EXPECT_EQ(walked.from, WholeScan(source));
    EXPECT_EQ(walked.to, WholeScan(backup));
    EXPECT_TRUE(walked.oneFolderEach);
    // Every folder of either side once, each before the folder holding it.
    EXPECT_EQ(walked.left, (Paths { "a/old/", "a/sub/", "a/", "b/c/", "b/", "empty/", "only/", "" }));
}

TEST_P(FolderMergeTest, WithoutEnteringTheTargetsOwnFoldersOnlyTheSourceTreeIsWalked)
{
    CFolderLister from = Lister(source);
    CFolderLister to = Lister(backup);
    const Walked walked = Walk(from, &to, false);
    EXPECT_EQ(walked.from, WholeScan(source));
    // The folders only the backup has are met as records, never entered.
    EXPECT_EQ(walked.to, (Paths { "a", "a-b", "a/old", "a/x", "b", "b/c", "b/c/d.txt", "only", "z" }));
    EXPECT_EQ(walked.left, (Paths { "a/sub/", "a/", "b/c/", "b/", "empty/", "" }));
}

TEST_P(FolderMergeTest, MasksAndOneSidedWalksMatchAWholeScan)
{
    CFolderLister from = Lister(source, MasksOf("sub", "*.txt"));
    const Walked walked = Walk(from, nullptr, false);
    EXPECT_EQ(walked.from, WholeScan(source, "sub", "*.txt"));
    EXPECT_TRUE(walked.to.empty());
}

TEST_P(FolderMergeTest, AFalseAnswerOrTheCancelFlagStopsTheWalk)
{
    CFolderLister from = Lister(source);
    int stretches = 0;
    CFolderMerge merge(from, nullptr, false, GetParam());
    EXPECT_FALSE(merge.Walk([&](CFileRecordArray&, CFileRecordArray&) { return ++stretches < 2; }));
    EXPECT_EQ(stretches, 2);
    std::atomic<std::int32_t> cancel { 1 };
    stretches = 0;
    EXPECT_FALSE(merge.Walk([&](CFileRecordArray&, CFileRecordArray&) { return ++stretches > 0; }, {}, &cancel));
    EXPECT_EQ(stretches, 0);
}

TEST_P(FolderMergeTest, AFolderThatCannotBeListedIsNamedAndTheWalkGoesOn)
{
    std::vector<std::string> unlisted;
    CFolderLister from(source.Path() + "/", MasksOf(), nullptr, std::string(), { source / "b" }, &unlisted);
    // A skipped folder is neither listed nor a failure; a folder replaced by
    // a file after its parent was listed cannot be listed.
    CFileRecordArray records;
    EXPECT_TRUE(from.List("", records));
    EXPECT_EQ(Relative(records), (Paths { "a", "a-b", "a.txt", "a0", "empty", "z" }));
    EXPECT_FALSE(from.List("z/", records));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(unlisted, (Paths { source / "z/" }));
    EXPECT_TRUE(from.List("a/", records));
    EXPECT_EQ(Relative(records), (Paths { "a/sub", "a/x", "a/x.y" }));
}

// A tree wide and deep enough that the readers run well ahead of the walk,
// and fill their window.
class WideTreeTest : public ::testing::Test {
protected:
    WideTreeTest()
    {
        for (int a = 0; a < 12; ++a) {
            for (int b = 0; b < 12; ++b) {
                const std::string folder = "f" + std::to_string(a) + "/g" + std::to_string(b);
                source.Write(folder + "/file.txt", "s");
                source.Write(folder + "/deep/er/x", "s");
                if (b % 3 == 0)
                    backup.Write(folder + "/file.txt", "b");
                if (b % 4 == 1)
                    backup.Write(folder + "-gone/old", "b");
            }
        }
    }
    CFolderLister Lister(const TempDir& dir)
    {
        return CFolderLister(dir.Path() + "/", MasksOf(), nullptr, std::string(), {}, nullptr);
    }
    TempDir source;
    TempDir backup;
};

TEST_F(WideTreeTest, ReadingAheadMeetsWhatTheWalkAloneMeets)
{
    for (const bool enterToOnly : { true, false }) {
        CFolderLister from = Lister(source);
        CFolderLister to = Lister(backup);
        const Walked alone = Walk(from, &to, enterToOnly, 0);
        const Walked ahead = Walk(from, &to, enterToOnly, CFolderMerge::kReaders);
        EXPECT_EQ(alone.from, ahead.from);
        EXPECT_EQ(alone.to, ahead.to);
        EXPECT_EQ(alone.left, ahead.left);
        EXPECT_TRUE(ahead.oneFolderEach);
        EXPECT_EQ(alone.from, WholeScan(source));
    }
}

// With room for one folder only, the folders the walk needs next are often
// not begun: it lists them itself instead of waiting for room.
TEST_F(WideTreeTest, AFullWindowNeverHoldsTheWalkUp)
{
    CFolderLister from = Lister(source);
    CFolderLister to = Lister(backup);
    auto subfolders = [](const CFileRecordArray& f, const CFileRecordArray& t) {
        std::vector<CFolderPrefetch::Wanted> wanted;
        for (const CFileRecord& record : f) {
            if (record.IsFolder())
                wanted.push_back({ record.Path.str() + '/', true, false });
        }
        for (const CFileRecord& record : t) {
            const std::string key = record.Path.str() + '/';
            if (!record.IsFolder())
                continue;
            const auto same = std::find_if(
                wanted.begin(), wanted.end(), [&](const CFolderPrefetch::Wanted& w) { return w.below == key; });
            if (same != wanted.end())
                same->to = true;
        }
        return wanted;
    };
    CFolderPrefetch prefetch(from, &to, subfolders, 3, 1, nullptr);
    prefetch.Want({ "", true, true });
    // Taken depth first, in the order of the paths, as the walk takes them.
    std::vector<std::string> pending { "" };
    std::size_t taken = 0;
    std::size_t backupRecords = 0;
    while (!pending.empty()) {
        const std::string below = pending.back();
        pending.pop_back();
        CFolderLister::Listing f;
        CFolderLister::Listing t;
        ASSERT_TRUE(prefetch.Take(below, f, t)) << below;
        ++taken;
        backupRecords += t.records.size();
        const std::vector<CFolderPrefetch::Wanted> next = subfolders(f.records, t.records);
        for (auto it = next.rbegin(); it != next.rend(); ++it)
            pending.push_back(it->below);
    }
    // The root, 12 f, 144 g, 144 deep and 144 er.
    EXPECT_EQ(taken, 1u + 12 + 3 * 144);
    EXPECT_GT(backupRecords, 0u);
}

TEST_F(WideTreeTest, StoppingWhileReadersRunAheadEndsTheWalkAtOnce)
{
    CFolderLister from = Lister(source);
    CFolderLister to = Lister(backup);
    CFolderMerge merge(from, &to, true, CFolderMerge::kReaders);
    int stretches = 0;
    EXPECT_FALSE(merge.Walk([&](CFileRecordArray&, CFileRecordArray&) { return ++stretches < 5; }));
    EXPECT_EQ(stretches, 5);
    std::atomic<std::int32_t> cancel { 0 };
    stretches = 0;
    EXPECT_FALSE(merge.Walk(
        [&](CFileRecordArray&, CFileRecordArray&) {
            if (++stretches == 3)
                cancel = 1;
            return true;
        },
        {}, &cancel));
    EXPECT_EQ(stretches, 3);
}
