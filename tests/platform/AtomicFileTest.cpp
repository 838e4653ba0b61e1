#include "platform/AtomicFile.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::size_t EntriesIn(const std::string& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

} // namespace

// What a crash before Commit leaves: the old file, and no stray temporary.
TEST(AtomicFile, UncommittedWriteLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.Write("f.txt", "old contents");
    {
        CAtomicFile file;
        ASSERT_TRUE(file.Open(path));
        ASSERT_TRUE(file.Write("new"));
        EXPECT_EQ(EntriesIn(dir.Path()), 2u);
        EXPECT_EQ(TempDir::Read(path), "old contents");
    }
    EXPECT_EQ(TempDir::Read(path), "old contents");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(AtomicFile, CommitReplacesTheWholeFile)
{
    TempDir dir;
    const std::string path = dir.Write("f.txt", "a much longer old text");
    CAtomicFile file;
    ASSERT_TRUE(file.Open(path));
    ASSERT_TRUE(file.Write("new"));
    ASSERT_TRUE(file.Write(" text"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(TempDir::Read(path), "new text");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    EXPECT_FALSE(file.Write("late")); // nothing open any more
}

TEST(AtomicFile, RefusesFoldersAndMissingFolders)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
    CAtomicFile file;
    EXPECT_FALSE(file.Open(dir / "folder"));
    EXPECT_EQ(file.Error(), EISDIR);
    EXPECT_FALSE(file.Open(dir / "missing/f.txt"));
    EXPECT_EQ(file.Error(), ENOENT);
}

TEST(FileIo, ReadsWholeFilesAndNamesTheFailure)
{
    TempDir dir;
    std::string bytes;
    const std::string big(200000, 'z');
    EXPECT_EQ(FileIo::ReadWholeFile(dir.Write("big", big), bytes, 1 << 20), FileIo::ReadResult::Ok);
    EXPECT_EQ(bytes, big);
    EXPECT_EQ(FileIo::ReadWholeFile(dir / "big", bytes, 1000), FileIo::ReadResult::ReadFailed);
    int error = 0;
    EXPECT_EQ(FileIo::ReadWholeFile(dir / "none", bytes, 1000, &error), FileIo::ReadResult::OpenFailed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(FileIo::ReadWholeFile(dir.Path(), bytes, 1000, &error), FileIo::ReadResult::OpenFailed);
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(FileIo::IsReadableFile(dir.Path()));
    EXPECT_TRUE(FileIo::IsReadableFile(dir / "big"));
    EXPECT_FALSE(FileIo::IsReadOnlyFile(dir / "big"));
    fs::permissions(dir / "big", fs::perms::owner_read);
    EXPECT_TRUE(FileIo::IsReadOnlyFile(dir / "big"));
}
