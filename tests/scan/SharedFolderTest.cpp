#include "common/TempDir.h"
#include "scan/FileRecordArray.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

CFileRecordArray ScanAll(const std::string& folder, const std::string& include = "*")
{
    CFileRecordArray list;
    list.ScanFolder(
        folder, "", include, "", true, CFileRecordArray::kByPath, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    return list;
}

std::string NameOf(std::size_t length, char fill)
{
    return std::string(length, fill);
}

} // namespace

TEST(SharedFolder, AScannedFolderHoldsItsPathAndEveryNameOnce)
{
    TempDir dir;
    const std::string longest = NameOf(255, 'z'); // the longest name a Linux file system takes
    const std::string middle = "a name of forty to sixty bytes, as many are.txt";
    dir.Write("s", "1");
    dir.Write(middle, "2");
    dir.Write(longest, "3");
    dir.Write("sub/" + longest, "4");
    const CFileRecordArray list = ScanAll(dir.Path());
    ASSERT_EQ(list.size(), 5u);

    const CFileRecord& top = list[list.FindSorted(longest)];
    EXPECT_EQ(top.Path, longest);
    EXPECT_EQ(top.GetFileName(), longest);
    EXPECT_EQ(top.FullPath(), dir / longest);
    const CFileRecord& below = list[list.FindSorted("sub/" + longest)];
    EXPECT_EQ(below.Path.size(), 4 + longest.size());
    EXPECT_EQ(below.FullPath(), dir / ("sub/" + longest));
    EXPECT_EQ(list[list.FindSorted(middle)].Path.Tail(), middle);

    // One object for the top folder's four records, sized to their names.
    const CSharedFolder* folder = top.Path.Shared().get();
    std::size_t names = 0;
    for (const CFileRecord& record : list) {
        if (record.Path.Shared().get() == folder)
            names += record.Path.Tail().size();
    }
    EXPECT_EQ(names, 1 + middle.size() + longest.size() + 3);
    EXPECT_EQ(folder->NameRoom(), names);
    EXPECT_EQ(folder->Path(), dir.Path() + "/");
    EXPECT_EQ(below.Path.Shared()->NameRoom(), longest.size());
}

TEST(SharedFolder, AFileMatchingTwoIncludeItemsHasTwoRecordsOfOneName)
{
    TempDir dir;
    dir.Write("report.txt", "x");
    dir.Write("other.bin", "y");
    const CFileRecordArray list = ScanAll(dir.Path(), "*.txt; *.*");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Path, "other.bin");
    EXPECT_EQ(list[1].Path, "report.txt");
    EXPECT_EQ(list[2].Path, "report.txt");
    EXPECT_EQ(list[1].Path.Shared()->NameRoom(), std::string("report.txtother.bin").size());
}

TEST(SharedFolder, EmptyFoldersAreRecordedInTheirParentAndAnEmptyScanGivesNothing)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "empty/inner");
    std::filesystem::create_directories(dir / "only folders");
    const CFileRecordArray list = ScanAll(dir.Path());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Path, "empty");
    EXPECT_EQ(list[1].Path, "empty/inner");
    EXPECT_EQ(list[2].Path, "only folders");
    EXPECT_TRUE(list[1].IsFolder());
    EXPECT_EQ(list[1].FullPath(), dir / "empty/inner");
    EXPECT_EQ(list[0].Path.Shared().get(), list[2].Path.Shared().get());

    TempDir none;
    EXPECT_TRUE(ScanAll(none.Path()).empty());
}

TEST(SharedFolder, PathsMadeFromTextHoldTheWholeText)
{
    const std::string deep = std::string(3000, 'd') + "/" + NameOf(255, 'n');
    CFileRecord record;
    record.Path = deep;
    EXPECT_FALSE(record.Path.Shared());
    EXPECT_EQ(record.Path, deep);
    EXPECT_EQ(record.Path.Root(), "");
    EXPECT_EQ(record.FullPath(), deep);
    EXPECT_EQ(record.GetFileName(), NameOf(255, 'n'));

    // Text taken from the path itself is copied before the old text goes.
    record.Path = record.Path.Tail().substr(3001);
    EXPECT_EQ(record.Path, NameOf(255, 'n'));

    CFileRecord copy = record;
    record.Path = "";
    EXPECT_TRUE(record.Path.empty());
    EXPECT_EQ(record.FullPath(), "");
    EXPECT_EQ(copy.Path, NameOf(255, 'n'));

    // A list's records move when it grows or sorts: what is left is empty
    // through and through, its size included.
    CRecordPath from;
    from = "x/y";
    const CRecordPath to = std::move(from);
    EXPECT_EQ(to, "x/y");
    EXPECT_EQ(from.size(), 0u);
    EXPECT_EQ(from.str(), "");

    // A name given for a folder without room goes into a copy of it.
    const CSharedFolder::Ref full = CSharedFolder::Make("/r/sub/", 3);
    CFileRecord a, b;
    a.Path.Assign(full, "a");
    b.Path.Assign(full, "b");
    EXPECT_EQ(a.Path, "sub/a");
    EXPECT_EQ(b.FullPath(), "/r/sub/b");
    EXPECT_NE(a.Path.Shared().get(), full.get());
    EXPECT_EQ(full->NameRoom(), 0u);
}

TEST(SharedFolder, ShareBelowGrowsTheRoomOfOneFolderAndKeepsEveryName)
{
    CSharedFolder::Ref recent;
    std::vector<CFileRecord> records(3000);
    std::set<const CSharedFolder*> folders;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string name = "copied file " + std::to_string(i) + ".dat";
        records[i].Path = "/backup/set/folder/" + name;
        ASSERT_TRUE(records[i].Path.ShareBelow("/backup/set/", recent));
        folders.insert(records[i].Path.Shared().get());
    }
    for (std::size_t i = 0; i < records.size(); ++i)
        ASSERT_EQ(records[i].Path, "folder/copied file " + std::to_string(i) + ".dat");
    // 512 bytes doubled each time: eight folders for about 65,000 bytes.
    EXPECT_LE(folders.size(), 8u);

    CFileRecord other;
    other.Path = "/backup/set/elsewhere/" + NameOf(255, 'e');
    ASSERT_TRUE(other.Path.ShareBelow("/backup/set/", recent));
    EXPECT_EQ(other.Path, "elsewhere/" + NameOf(255, 'e'));
    EXPECT_EQ(other.Path.Root(), "/backup/set/");
    EXPECT_EQ(recent.get(), other.Path.Shared().get());
}

TEST(SharedFolder, RecordsReadOnOtherThreadsWhileNamesAreAddedAndAfterTheirListIsGone)
{
    // Copies made one after another share a folder that still takes names
    // while a reader on another thread holds earlier records of it.
    CSharedFolder::Ref recent;
    CFileRecord first;
    first.Path = "/b/k/dir/first name, longer than the inline bytes";
    ASSERT_TRUE(first.Path.ShareBelow("/b/k/", recent));
    std::atomic<bool> done { false };
    std::atomic<std::size_t> reads { 0 };
    std::thread reader([&, held = first] {
        while (!done.load()) {
            ++reads;
            ASSERT_EQ(held.Path, "dir/first name, longer than the inline bytes");
        }
    });
    while (reads.load() == 0)
        std::this_thread::yield(); // the reader holds its copy and reads
    std::vector<CFileRecord> later(2000);
    for (std::size_t i = 0; i < later.size(); ++i) {
        later[i].Path = "/b/k/dir/later " + std::to_string(i);
        ASSERT_TRUE(later[i].Path.ShareBelow("/b/k/", recent));
    }
    done = true;
    reader.join();
    EXPECT_EQ(later[1999].Path, "dir/later 1999");

    // A scanned list dropped on one thread while its copies are read on
    // another: the copies keep their folder.
    TempDir dir;
    for (int i = 0; i < 50; ++i)
        dir.Write("d" + std::to_string(i % 5) + "/" + NameOf(40 + i % 21, 'a' + i % 26), "x");
    auto list = std::make_unique<CFileRecordArray>(ScanAll(dir.Path()));
    const std::vector<CFileRecord> copies(list->begin(), list->end());
    std::vector<std::string> expected;
    for (const CFileRecord& record : copies)
        expected.push_back(record.FullPath());
    std::thread drop([&] { list.reset(); });
    std::thread read([&] {
        for (std::size_t i = 0; i < copies.size(); ++i)
            ASSERT_EQ(copies[i].FullPath(), expected[i]);
    });
    drop.join();
    read.join();
    ASSERT_EQ(copies.size(), 55u);
    EXPECT_EQ(copies[54].Path.Root(), dir.Path() + "/");
}
