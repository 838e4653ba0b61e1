#include "common/PrivateMounts.h"
#include "common/TempDir.h"
#include "scan/FileRecordArray.h"
#include "scan/WithoutPrivileges.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Counters {
    std::atomic<std::int32_t> Files { 0 };
    std::atomic<std::int32_t> Folders { 0 };
    std::atomic<std::uint64_t> Bytes { 0 };
    std::atomic<std::uint64_t> OnDisk { 0 };
};

std::vector<std::string> Relative(const CFileRecordArray& array, const std::string& root)
{
    std::vector<std::string> paths;
    for (const CFileRecord& record : array)
        paths.push_back(record.FullPath().substr(root.size() + 1));
    return paths;
}

// Scans dir's folder with the given masks in order 4.
std::vector<std::string> Scan(const TempDir& dir, const std::string& include, const std::string& excludeFiles = "",
    const std::string& excludeFolders = "", bool recursive = true, bool addFolders = true)
{
    CFileRecordArray array;
    array.ScanFolder(dir.Path() + "/", excludeFolders, include, excludeFiles, recursive, 4, addFolders, nullptr,
        nullptr, nullptr, nullptr, 0, nullptr);
    return Relative(array, dir.Path());
}

using Names = std::vector<std::string>;

} // namespace

TEST(ScanFolder, StarDotStarRecordsNamesWithoutDotButExcludesOnlyDotted)
{
    TempDir dir;
    dir.Write("README", "r");
    dir.Write("a.txt", "t");
    EXPECT_EQ(Scan(dir, "*.*"), (Names { "README", "a.txt" }));
    EXPECT_EQ(Scan(dir, "*.*", "*.*"), (Names { "README" }));
}

TEST(ScanFolder, ExcludeListIgnoresCaseAndKeepsTrailingSpace)
{
    TempDir dir;
    for (const char* name : { "a.LOG", "b.tmp", "c.txt" })
        dir.Write(name, "x");
    EXPECT_EQ(Scan(dir, "*.*", "*.log; *.tmp"), (Names { "c.txt" }));
    // "*.log " ends in a space, which no name ending in .log has.
    EXPECT_EQ(Scan(dir, "*.*", "*.log ; *.tmp"), (Names { "a.LOG", "c.txt" }));
}

TEST(ScanFolder, IncludeItemsSkipTheCharacterAfterEachSemicolon)
{
    TempDir dir;
    for (const char* name : { "a.doc", "b.txt", ".txt", "C.DOC" })
        dir.Write(name, "x");
    EXPECT_EQ(Scan(dir, "*.doc; *.txt"), (Names { ".txt", "C.DOC", "a.doc", "b.txt" }));
    EXPECT_EQ(Scan(dir, "*.doc;*.txt"), (Names { ".txt", "C.DOC", "a.doc" }));
    // Items are trimmed; empty ones are skipped; a trailing ';' ends the list.
    EXPECT_EQ(Scan(dir, " ;  *.doc ;"), (Names { "C.DOC", "a.doc" }));
}

TEST(ScanFolder, FileMatchingTwoIncludeItemsIsRecordedTwice)
{
    TempDir dir;
    dir.Write("a.txt", "x");
    EXPECT_EQ(Scan(dir, "*.txt; a.*"), (Names { "a.txt", "a.txt" }));
}

TEST(ScanFolder, EmptyIncludeListRecordsFoldersOnly)
{
    TempDir dir;
    dir.Write("sub/f.txt", "x");
    dir.Write("g.txt", "x");
    EXPECT_EQ(Scan(dir, ""), (Names { "sub" }));
}

TEST(ScanFolder, ExcludedFolderIsNeitherRecordedNorEntered)
{
    TempDir dir;
    dir.Write("Cache/in.txt", "x");
    dir.Write("keep/in.txt", "x");
    EXPECT_EQ(Scan(dir, "*.*", "", "cache"), (Names { "keep", "keep/in.txt" }));
}

TEST(ScanFolder, NonRecursiveWithoutFolderRecordsSeesOnlyTopFiles)
{
    TempDir dir;
    dir.Write("sub/deep.txt", "x");
    dir.Write("top.txt", "x");
    EXPECT_EQ(Scan(dir, "*.*", "", "", false, false), (Names { "top.txt" }));
    EXPECT_EQ(Scan(dir, "*.*", "", "", false, true), (Names { "sub", "top.txt" }));
}

TEST(ScanFolder, CountsFilesFoldersBytesAndClusters)
{
    TempDir dir;
    dir.Write("empty", "");
    dir.Write("sub/five", std::string(5000, 'x'));
    dir.Write("sub/exact", std::string(4096, 'x'));
    Counters counters;
    CFileRecordArray array;
    const std::size_t added = array.ScanFolder(dir.Path() + "/", "", "*", "", true, 4, true, nullptr, &counters.Files,
        &counters.Folders, &counters.Bytes, 4096, &counters.OnDisk);
    EXPECT_EQ(added, 4u);
    EXPECT_EQ(counters.Files.load(), 3);
    EXPECT_EQ(counters.Folders.load(), 1);
    EXPECT_EQ(counters.Bytes.load(), 9096u);
    EXPECT_EQ(counters.OnDisk.load(), 8192u + 4096u);
    const CFileRecord& sub = array[array.FindSorted("sub")];
    EXPECT_EQ(sub.Attributes & 0x10, 0x10u);
    EXPECT_EQ(sub.Size, 0u);
}

TEST(ScanFolder, RecordsHoldSizeTimesAndReadOnly)
{
    TempDir dir;
    const std::string path = dir.Write("f.bin", "12345");
    const timespec times[2] = { { 1'600'000'000, 0 }, { 1'500'000'000, 500'000'000 } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    CFileRecordArray array;
    array.ScanFolder(dir.Path() + "/", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    ASSERT_EQ(array.size(), 1u);
    EXPECT_EQ(array[0].FullPath(), path);
    EXPECT_EQ(array[0].Size, 5u);
    EXPECT_EQ(array[0].Attributes, 0x01u);
    EXPECT_EQ(array[0].LastWriteTime, (1'500'000'000ULL + 11644473600ULL) * 10'000'000ULL + 5'000'000ULL);
    EXPECT_EQ(array[0].LastAccessTime, (1'600'000'000ULL + 11644473600ULL) * 10'000'000ULL);
    EXPECT_EQ(array[0].GetLastWriteTime(), 1'500'000'000);
}

TEST(ScanFolder, LinksAreRecordedNotFollowedAndSpecialFilesMarked)
{
    TempDir dir;
    dir.Write("real/inside.txt", "x");
    fs::create_symlink(dir / "real", dir / "linkdir");
    fs::create_symlink("nowhere", dir / "dangling");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
    EXPECT_EQ(Scan(dir, "*"), (Names { "dangling", "linkdir", "pipe", "real", "real/inside.txt" }));

    CFileRecordArray array;
    array.ScanFolder(dir.Path() + "/", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    const CFileRecord& link = array[array.FindSorted(dir / "dangling")];
    EXPECT_EQ(link.Attributes, 0x400u);
    EXPECT_EQ(link.Size, 7u); // the link's own size: its target text
    EXPECT_EQ(array[array.FindSorted("pipe")].Attributes, 0x40u);
}

TEST(ScanFolder, RecordsShareTheScannedFolderAsRootAndHoldThePathBelowIt)
{
    TempDir dir;
    dir.Write("sub/deep/c.bin", "ccc");
    dir.Write("a.txt", "a");
    CFileRecordArray array;
    array.ScanFolder(dir.Path(), "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    ASSERT_EQ(array.size(), 4u);
    for (const CFileRecord& record : array) {
        ASSERT_TRUE(record.Path.Shared());
        EXPECT_EQ(record.Path.Root(), dir.Path() + "/");
    }
    // One folder text for the records found in one folder.
    const CFileRecord& top = array[array.FindSorted("a.txt")];
    EXPECT_EQ(top.Path.Shared().get(), array[array.FindSorted("sub")].Path.Shared().get());
    EXPECT_EQ(top.Path.FolderBelowRoot(), "");
    EXPECT_EQ(array[array.FindSorted("sub/deep/c.bin")].Path.FolderBelowRoot(), "sub/deep/");
    EXPECT_EQ(array[array.FindSorted("sub/deep/c.bin")].Path, "sub/deep/c.bin");
    EXPECT_EQ(array[array.FindSorted("sub/deep/c.bin")].GetFileName(), "c.bin");
    // The checksum reads the file where it is, not a path below the cwd.
    CFileRecord& file = array[array.FindSorted("sub/deep/c.bin")];
    CFileRecord whole;
    ASSERT_TRUE(whole.SetFromPath(dir / "sub/deep/c.bin"));
    EXPECT_EQ(file.GetCrc(), whole.GetCrc());
    EXPECT_TRUE(file.CrcComplete);

    // Records below other roots, or none, still sort by their whole paths.
    CFileRecordArray mixed;
    CFileRecord plain;
    plain.Path = dir / "b.txt";
    mixed.AddSorted(plain, 4);
    mixed.AddSorted(array[array.FindSorted("a.txt")], 4);
    mixed.AddSorted(array[array.FindSorted("sub")], 4);
    ASSERT_EQ(mixed.size(), 3u);
    EXPECT_EQ(mixed[0].FullPath(), dir / "a.txt");
    EXPECT_EQ(mixed[1].FullPath(), dir / "b.txt");
    EXPECT_EQ(mixed[2].FullPath(), dir / "sub");
}

TEST(ScanFolder, CancelStopsAfterTheEntryInHandAndKeepsRecords)
{
    TempDir dir;
    dir.Write("sub/x.txt", "x");
    dir.Write("sub/y.txt", "x");
    std::atomic<std::int32_t> cancel { 1 };
    std::atomic<std::int32_t> files { 0 };
    CFileRecordArray array;
    array.AddSorted(CFileRecord(), 4);
    array[0].Path = "/kept";
    // The flag is read after each entry: the folder entry in hand is still
    // recorded and entered, then every listing stops, files are not taken.
    const std::size_t added
        = array.ScanFolder(dir.Path() + "/", "", "*", "", true, 4, true, &cancel, &files, nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(added, 1u);
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[0].Path, "/kept");
    EXPECT_EQ(array[1].FullPath(), dir / "sub");
    EXPECT_EQ(files.load(), 0);
}

TEST(ScanFolder, ResultEqualsSortedInsertionOfDiscoveryOrder)
{
    TempDir dir;
    for (const char* name : { "b/x", "a/y", "a b", "a-c", "a.d", "a/z/1", "B" })
        dir.Write(name, "x");
    CFileRecordArray sorted;
    sorted.ScanFolder(dir.Path() + "/", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    CFileRecordArray appended;
    appended.ScanFolder(dir.Path() + "/", "", "*", "", true, 0, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    CFileRecordArray replay;
    for (const CFileRecord& record : appended)
        replay.AddSorted(record, 4);
    EXPECT_EQ(Relative(sorted, dir.Path()), Relative(replay, dir.Path()));
    EXPECT_TRUE(std::is_sorted(
        sorted.begin(), sorted.end(), [](const CFileRecord& a, const CFileRecord& b) { return a.Path < b.Path; }));
}

TEST(ScanFolder, ReportsFoldersItCannotList)
{
    TempDir dir;
    std::vector<std::string> unlisted;
    CFileRecordArray array;
    EXPECT_EQ(array.ScanFolder(dir / "missing/", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0,
                  nullptr, &unlisted),
        0u);
    EXPECT_EQ(unlisted, (std::vector<std::string> { dir / "missing/" }));

    // A folder that cannot be opened, and one whose entries cannot be looked
    // up (read bit without search bit), are both reported; their siblings
    // are scanned as usual.
    dir.Write("locked/hidden.txt", "x");
    dir.Write("blind/unseen.txt", "x");
    dir.Write("ok/a.txt", "x");
    ASSERT_EQ(chmod((dir / "locked").c_str(), 0300), 0);
    ASSERT_EQ(chmod((dir / "blind").c_str(), 0600), 0);
    const int result = RunWithoutPrivileges([&] {
        std::vector<std::string> failed;
        CFileRecordArray records;
        records.ScanFolder(
            dir.Path(), "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &failed);
        std::sort(failed.begin(), failed.end());
        const bool listed = failed == std::vector<std::string> { dir / "blind/", dir / "locked/" };
        const bool okScanned = records.FindSorted("ok/a.txt") < records.size()
            && records[records.FindSorted("ok/a.txt")].FullPath() == dir / "ok/a.txt";
        return (listed ? 0 : 1) | (okScanned ? 0 : 2);
    });
    chmod((dir / "locked").c_str(), 0700);
    chmod((dir / "blind").c_str(), 0700);
    EXPECT_EQ(result, 0);
}

TEST(ScanFolder, CopyTemporariesAreNeverRecordedAndStaleOnesGo)
{
    TempDir dir;
    dir.Write("a.txt", "user file");
    dir.Write("sub/.~kv0badf00d", "left by a killed copy");
    dir.Write(".~kv.a.txt.12345678", "left by an older version");
    dir.Write("sub/.~kv1234", "not a temporary name");
    fs::create_directories(dir / ".~kv00c0ffee/in"); // a folder is the user's, whatever its name
    dir.Write("sub/.~kvfeedbeef", "being written");
    const int writer = ::open((dir / "sub/.~kvfeedbeef").c_str(), O_RDONLY);
    ASSERT_EQ(0, ::flock(writer, LOCK_EX));
    EXPECT_EQ(Scan(dir, "*"), (Names { ".~kv00c0ffee", ".~kv00c0ffee/in", "a.txt", "sub", "sub/.~kv1234" }));
    EXPECT_FALSE(fs::exists(dir / "sub/.~kv0badf00d"));
    EXPECT_FALSE(fs::exists(dir / ".~kv.a.txt.12345678"));
    EXPECT_TRUE(fs::exists(dir / "sub/.~kvfeedbeef"));
    ::close(writer);
}

TEST(ScanFolder, PseudoFileSystemsAreNeverEntered)
{
    TempDir dir;
    dir.Write("a.txt", "x");
    dir.Write("proc/.keep", "");
    dir.Write("deep/sys/.keep", "");
    const int result = RunInPrivateMounts([&] {
        if (!MountAt("proc", dir / "proc") || !MountAt("sysfs", dir / "deep/sys"))
            return kNoPrivateMounts;
        int failures = 0;
        CFileRecordArray whole;
        whole.ScanFolder(dir.Path(), "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
        failures |= Relative(whole, dir.Path()) == Names { "a.txt", "deep" } ? 0 : 1;
        // A folder inside one yields nothing and cannot count as listed.
        std::vector<std::string> unlisted;
        CFileRecordArray inside;
        inside.ScanFolder(
            dir / "proc/self", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &unlisted);
        failures |= inside.empty() ? 0 : 2;
        failures |= unlisted == std::vector<std::string> { dir / "proc/self/" } ? 0 : 4;
        return failures;
    });
    if (result == kNoPrivateMounts)
        GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(result, 0);
}

TEST(ScanFolder, SkippedFoldersAreNeitherRecordedNorEnteredWhateverTheirSpelling)
{
    TempDir dir;
    dir.Write("data/a.txt", "x");
    dir.Write("data/backup/data/a.txt", "x");
    dir.Write("data/other/b.txt", "x");
    fs::create_symlink(dir / "data", dir / "link");
    CFileRecordArray array;
    const std::vector<std::string> skip { dir / "data/backup" };
    // Scanned through a link, so the scan's paths differ from the skip's.
    array.ScanFolder(
        dir / "link/", "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &skip);
    EXPECT_EQ(Relative(array, dir / "link"), (Names { "a.txt", "other", "other/b.txt" }));
}
