#include "platform/fs/DirHandle.h"

#include "common/TempDir.h"
#include "platform/DirectoryReader.h"
#include "platform/fs/ItemOps.h"
#include "platform/fs/RootSet.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each case runs with the kernel's beneath-lookup and with the walk of one
// name at a time that kernels without it get.
class DirHandleTest : public ::testing::TestWithParam<bool> {
protected:
    DirHandleTest() { CDirHandle::ForceComponentWalk(GetParam()); }
    ~DirHandleTest() override { CDirHandle::ForceComponentWalk(false); }

    CDirHandle Root() const
    {
        CDirHandle root;
        EXPECT_EQ(0, CDirHandle::OpenNamed(dir / "root", root));
        return root;
    }

    TempDir dir;
};

bool Exists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

TEST_P(DirHandleTest, NeverFollowsALinkOrLeavesTheRoot)
{
    dir.Write("root/a/b/file", "x");
    dir.Write("victim/secret", "root only");
    ASSERT_EQ(0, ::symlink((dir / "victim").c_str(), (dir / "root/a/link").c_str()));
    ASSERT_EQ(0, ::symlink("b", (dir / "root/a/inner").c_str()));
    const CDirHandle root = Root();
    CDirHandle folder;
    EXPECT_EQ(0, root.OpenFolder("a/b", folder));
    EXPECT_EQ(0, root.OpenFolder("", folder));
    EXPECT_EQ(ELOOP, root.OpenFolder("a/link", folder));
    EXPECT_EQ(ELOOP, root.OpenFolder("a/link/deeper", folder));
    // Even a link that stays inside is not followed: the scan recorded it
    // as a link, not as a folder.
    EXPECT_EQ(ELOOP, root.OpenFolder("a/inner", folder));
    EXPECT_EQ(EXDEV, root.OpenFolder("a/../../victim", folder));
    EXPECT_EQ(ENOTDIR, root.OpenFolder("a/b/file", folder));
    EXPECT_EQ(ENOENT, root.OpenFolder("a/none", folder));
    // Opened for listing, as the scan opens every folder.
    EXPECT_EQ(ELOOP, root.OpenFolder("a/link", folder, true));
    ASSERT_EQ(0, root.OpenFolder("a/b", folder, true));
    CDirectoryReader reader;
    ASSERT_TRUE(reader.Take(std::move(folder)));
    std::string listed;
    FileKind listedKind = FileKind::Unknown;
    ASSERT_TRUE(reader.Next(listed, listedKind));
    EXPECT_EQ("file", listed);

    std::string name;
    ASSERT_EQ(0, root.OpenParentOf("a/b/file", folder, name));
    EXPECT_EQ("file", name);
    FileKind kind = FileKind::Unknown;
    EXPECT_EQ(0, ItemOps::KindOf(folder, name, kind));
    EXPECT_EQ(FileKind::Regular, kind);
    EXPECT_EQ(ELOOP, root.OpenParentOf("a/link/secret", folder, name));
}

TEST_P(DirHandleTest, RemovingATreeRemovesLinksInsideAndNeverWhatTheyPointAt)
{
    dir.Write("root/tree/sub/file", "x");
    dir.Write("victim/keep", "keep");
    ASSERT_EQ(0, ::symlink((dir / "victim").c_str(), (dir / "root/tree/sub/link").c_str()));
    const CDirHandle root = Root();
    EXPECT_EQ(0, ItemOps::RemoveTree(root, "tree"));
    EXPECT_FALSE(Exists(dir / "root/tree"));
    EXPECT_EQ("keep", TempDir::Read(dir / "victim/keep"));
    EXPECT_EQ(0, ItemOps::RemoveTree(root, "tree")); // already gone
}

TEST_P(DirHandleTest, FolderOperationsActOnTheOpenedFolderOnly)
{
    ASSERT_EQ(0, ::mkdir((dir / "root").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir((dir / "victim").c_str(), 0700));
    ASSERT_EQ(0, ::symlink((dir / "victim").c_str(), (dir / "root/link").c_str()));
    const CDirHandle root = Root();
    EXPECT_EQ(0, ItemOps::MakeFolder(root, "made"));
    EXPECT_EQ(EEXIST, ItemOps::MakeFolder(root, "link"));
    EXPECT_EQ(ENOTDIR, ItemOps::MakeFolderWritable(root, "link"));
    ASSERT_EQ(0, ::chmod((dir / "root/made").c_str(), 0555));
    EXPECT_NE(0, ItemOps::CopyFolderAttributes(root, "made", root, "link"));
    struct stat st { };
    ASSERT_EQ(0, ::stat((dir / "victim").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    EXPECT_EQ(0, ItemOps::CopyFolderAttributes(root, "made", root, ""));
    ASSERT_EQ(0, ::stat((dir / "root").c_str(), &st));
    EXPECT_EQ(0555u, st.st_mode & 07777);
    ::chmod((dir / "root").c_str(), 0755);
}

// Paths the kernel cannot take whole are walked a name at a time.
TEST_P(DirHandleTest, ReachesFoldersDeeperThanAWholePathMayBe)
{
    ASSERT_EQ(0, ::mkdir((dir / "root").c_str(), 0755));
    const std::string part(200, 'd');
    std::string relative;
    int folder = ::open((dir / "root").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int depth = 0; depth < 25; ++depth) {
        ASSERT_EQ(0, ::mkdirat(folder, part.c_str(), 0755));
        const int next = ::openat(folder, part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = next;
        relative += (relative.empty() ? "" : "/") + part;
    }
    ::close(folder);
    ASSERT_GT(relative.size(), 4096u);
    CDirHandle deep;
    EXPECT_EQ(0, Root().OpenFolder(relative, deep));
    EXPECT_EQ(0, ItemOps::RemoveTree(Root(), part));
}

INSTANTIATE_TEST_SUITE_P(Lookups, DirHandleTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "NameByName" : "Beneath"; });

TEST(RootSetTest, ReachesPathsOnlyThroughTheirRoots)
{
    TempDir dir;
    dir.Write("source/a/file", "x");
    dir.Write("elsewhere/file", "x");
    CRootSet roots;
    roots.Add(dir / "source", nullptr);
    roots.Add(dir / "backup/", nullptr); // not there yet: opened when first needed
    DirRef folder;
    std::string name;
    EXPECT_EQ(0, roots.ParentOf(dir / "source/a/file", folder, name));
    EXPECT_EQ("file", name);
    EXPECT_EQ(EXDEV, roots.ParentOf(dir / "elsewhere/file", folder, name));
    EXPECT_EQ(EXDEV, roots.ParentOf(dir / "sourcefile", folder, name));
    EXPECT_EQ(EINVAL, roots.ParentOf(dir / "source", folder, name));
    EXPECT_EQ(ENOENT, roots.Folder(dir / "backup", folder));
    dir.Write("backup/new", "x");
    EXPECT_EQ(0, roots.ParentOf(dir / "backup/new", folder, name));
    EXPECT_TRUE(roots.NamedByUser(dir.Path()));
    EXPECT_TRUE(roots.NamedByUser(dir / "backup"));
    EXPECT_FALSE(roots.NamedByUser(dir / "backup/new"));
}

TEST(RootSetTest, ARootOnceOpenedIsNeverLookedUpAgain)
{
    TempDir dir;
    dir.Write("first/file", "first");
    dir.Write("second/file", "second");
    ASSERT_EQ(0, ::symlink((dir / "first").c_str(), (dir / "named").c_str()));
    CRootSet roots;
    roots.Add(dir / "named", nullptr);
    DirRef folder;
    ASSERT_EQ(0, roots.Folder(dir / "named", folder));
    // The name now leads elsewhere; the run stays where it started.
    ASSERT_EQ(0, ::unlink((dir / "named").c_str()));
    ASSERT_EQ(0, ::symlink((dir / "second").c_str(), (dir / "named").c_str()));
    std::string name;
    ASSERT_EQ(0, roots.ParentOf(dir / "named/file", folder, name));
    char bytes[16] = {};
    const int fd = ::openat(folder->Fd(), name.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(5, ::read(fd, bytes, sizeof bytes));
    ::close(fd);
    EXPECT_STREQ("first", bytes);
}
