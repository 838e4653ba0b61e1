#include "platform/DirectoryReader.h"

#include "common/TempDir.h"
#include "platform/FileInfo.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(DirectoryReader, ListsEntriesWithKindsAndLooksThemUpWithoutFollowingLinks)
{
    TempDir dir;
    dir.Write("file", "12");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink("folder", dir / "link");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);

    CDirectoryReader reader;
    ASSERT_TRUE(reader.Open(dir.Path()));
    std::vector<std::pair<std::string, FileKind>> seen;
    std::string name;
    FileKind kind;
    while (reader.Next(name, kind))
        seen.emplace_back(name, kind);
    EXPECT_EQ(reader.Error(), 0);
    std::sort(seen.begin(), seen.end());
    const std::vector<std::pair<std::string, FileKind>> expected = { { "fifo", FileKind::Other },
        { "file", FileKind::Regular }, { "folder", FileKind::Directory }, { "link", FileKind::Link } };
    EXPECT_EQ(seen, expected);

    FileFindData data;
    ASSERT_EQ(reader.Stat("link", data), 0);
    EXPECT_EQ(data.Kind, FileKind::Link);
    EXPECT_EQ(data.Attributes, 0x400u);
    EXPECT_EQ(data.Size, 6u);
    ASSERT_EQ(reader.Stat("folder", data), 0);
    EXPECT_EQ(data.Attributes, 0x10u);
    EXPECT_EQ(data.Size, 0u);
    EXPECT_EQ(reader.Stat("missing", data), ENOENT);
}

TEST(DirectoryReader, OpenFailsWithTheReason)
{
    TempDir dir;
    CDirectoryReader reader;
    EXPECT_FALSE(reader.Open(dir / "missing"));
    EXPECT_EQ(reader.Error(), ENOENT);
    EXPECT_FALSE(reader.Open(dir.Write("file", "")));
    EXPECT_EQ(reader.Error(), ENOTDIR);
}

TEST(FileInfo, FileTimeConversion)
{
    EXPECT_EQ(CFileInfo::ToFileTime(0, 0), 116444736000000000ULL);
    EXPECT_EQ(CFileInfo::ToFileTime(1, 999'999'999), 116444736000000000ULL + 19'999'999ULL);
    EXPECT_EQ(CFileInfo::ToFileTime(-11644473601LL, 0), 0u);
    EXPECT_EQ(CFileInfo::ToUnixSeconds(116444736000000000ULL + 19'999'999ULL), 1);
}
