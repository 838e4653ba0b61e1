#include "scan/FileRecordArray.h"

#include <gtest/gtest.h>
#include <random>

namespace {

CFileRecord Record(const std::string& path, std::uint64_t size = 0, std::uint32_t tag = 0)
{
    CFileRecord record;
    record.Path = path;
    record.Size = size;
    record.Attributes = tag; // tells equal keys apart
    return record;
}

std::vector<std::string> Paths(const CFileRecordArray& array)
{
    std::vector<std::string> paths;
    for (const CFileRecord& record : array)
        paths.push_back(record.Path);
    return paths;
}

std::vector<std::pair<std::string, std::uint32_t>> Keys(const CFileRecordArray& array)
{
    std::vector<std::pair<std::string, std::uint32_t>> keys;
    for (const CFileRecord& record : array)
        keys.emplace_back(record.Path + "#" + std::to_string(record.Size), record.Attributes);
    return keys;
}

} // namespace

TEST(FileRecordArray, InsertionOrderPerCode)
{
    const std::vector<std::string> expected[] = { { "b", "a", "c" }, { "a", "b", "c" }, { "c", "b", "a" } };
    const int codes[] = { 0, 4, 5 };
    for (int i = 0; i < 3; ++i) {
        CFileRecordArray array;
        for (const char* path : { "b", "a", "c" })
            array.AddSorted(Record(path), codes[i]);
        EXPECT_EQ(Paths(array), expected[i]) << "code " << codes[i];
    }
}

TEST(FileRecordArray, SizeOrdersPutNewRecordBeforeEqualOnes)
{
    CFileRecordArray ascending;
    EXPECT_EQ(ascending.AddSorted(Record("x", 5, 1), 2), 0u);
    EXPECT_EQ(ascending.AddSorted(Record("y", 1, 2), 2), 0u);
    EXPECT_EQ(ascending.AddSorted(Record("z", 5, 3), 2), 1u);
    EXPECT_EQ(Paths(ascending), (std::vector<std::string> { "y", "z", "x" }));

    CFileRecordArray descending;
    descending.AddSorted(Record("x", 5), 3);
    descending.AddSorted(Record("y", 9), 3);
    descending.AddSorted(Record("z", 5), 3);
    EXPECT_EQ(Paths(descending), (std::vector<std::string> { "y", "z", "x" }));
}

TEST(FileRecordArray, FindSortedIsTheInsertPosition)
{
    CFileRecordArray array;
    EXPECT_EQ(array.FindSorted("anything"), 0u);
    for (const char* path : { "/a/b", "/a/d", "/a/f" })
        array.AddSorted(Record(path), 4);
    EXPECT_EQ(array.FindSorted("/a/d"), 1u);
    EXPECT_EQ(array.FindSorted("/a/z"), 3u);
    for (const char* missing : { "/a/a", "/a/c", "/a/e", "/a/g" }) {
        const std::size_t found = array.FindSorted(missing);
        CFileRecordArray copy = array;
        EXPECT_EQ(copy.AddSorted(Record(missing), 4), found) << missing;
    }
}

TEST(FileRecordArray, PathsCompareBytewiseWithCase)
{
    CFileRecordArray array;
    for (const char* path : { "b", "B", "\xc3\xa9", "a" })
        array.AddSorted(Record(path), 4);
    EXPECT_EQ(Paths(array), (std::vector<std::string> { "B", "a", "b", "\xc3\xa9" }));
}

// The bulk path of ScanFolder must leave exactly what one AddSorted per
// record leaves, equal keys included, with or without records already there.
TEST(FileRecordArray, SortAppendedEqualsSortedInsertion)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        const int code = std::vector<int> { 0, 1, 2, 3, 4, 5 }[round % 6];
        const std::size_t existing = random() % 6;
        const std::size_t added = random() % 40;
        CFileRecordArray slow;
        CFileRecordArray fast;
        std::uint32_t tag = 0;
        // Half the rounds start from a list out of order, the rest from one
        // built by AddSorted.
        const bool ordered = round % 2 == 0;
        for (std::size_t i = 0; i < existing; ++i) {
            CFileRecord record = Record(std::string(1, char('a' + random() % 4)), random() % 4, ++tag);
            if (ordered) {
                slow.AddSorted(record, code);
                fast.AddSorted(record, code);
            } else {
                slow.push_back(record);
                fast.push_back(record);
            }
        }
        const std::size_t firstNew = fast.size();
        for (std::size_t i = 0; i < added; ++i) {
            CFileRecord record = Record(std::string(1, char('a' + random() % 4)), random() % 4, ++tag);
            slow.AddSorted(record, code);
            fast.push_back(record);
        }
        fast.SortAppended(firstNew, code);
        ASSERT_EQ(Keys(fast), Keys(slow)) << "round " << round << " code " << code;
    }
}

TEST(FileRecordArray, CopyingCopiesEveryRecord)
{
    CFileRecordArray array;
    array.AddSorted(Record("/x", 3), 4);
    CFileRecordArray copy = array;
    copy[0].Path = "/y";
    EXPECT_EQ(array[0].Path, "/x");
    EXPECT_EQ(copy[0].Size, 3u);
}
