#include "scan/FolderMerge.h"

#include "common/TempDir.h"
#include "scan/FileRecordArray.h"
#include "scan/FolderLister.h"

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

Walked Walk(CFolderLister& from, CFolderLister* to, bool enterToOnly)
{
    Walked walked;
    CFolderMerge merge(from, to, enterToOnly);
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

class FolderMergeTest : public ::testing::Test {
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

    TempDir source;
    TempDir backup;
};

} // namespace

TEST_F(FolderMergeTest, StretchesComeInTheOrderOfOneSortedListOfEachSide)
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

TEST_F(FolderMergeTest, WithoutEnteringTheTargetsOwnFoldersOnlyTheSourceTreeIsWalked)
{
    CFolderLister from = Lister(source);
    CFolderLister to = Lister(backup);
    const Walked walked = Walk(from, &to, false);
    EXPECT_EQ(walked.from, WholeScan(source));
    // The folders only the backup has are met as records, never entered.
    EXPECT_EQ(walked.to, (Paths { "a", "a-b", "a/old", "a/x", "b", "b/c", "b/c/d.txt", "only", "z" }));
    EXPECT_EQ(walked.left, (Paths { "a/sub/", "a/", "b/c/", "b/", "empty/", "" }));
}

TEST_F(FolderMergeTest, MasksAndOneSidedWalksMatchAWholeScan)
{
    CFolderLister from = Lister(source, MasksOf("sub", "*.txt"));
    const Walked walked = Walk(from, nullptr, false);
    EXPECT_EQ(walked.from, WholeScan(source, "sub", "*.txt"));
    EXPECT_TRUE(walked.to.empty());
}

TEST_F(FolderMergeTest, AFalseAnswerOrTheCancelFlagStopsTheWalk)
{
    CFolderLister from = Lister(source);
    int stretches = 0;
    CFolderMerge merge(from, nullptr, false);
    EXPECT_FALSE(merge.Walk([&](CFileRecordArray&, CFileRecordArray&) { return ++stretches < 2; }));
    EXPECT_EQ(stretches, 2);
    std::atomic<std::int32_t> cancel { 1 };
    stretches = 0;
    EXPECT_FALSE(merge.Walk([&](CFileRecordArray&, CFileRecordArray&) { return ++stretches > 0; }, {}, &cancel));
    EXPECT_EQ(stretches, 0);
}

TEST_F(FolderMergeTest, AFolderThatCannotBeListedIsNamedAndTheWalkGoesOn)
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
