#include "platform/Trash.h"

#include "common/TempDir.h"
#include "common/TmpfsMount.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 4321;

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
        tzset();
    }
    ~ScopedVariable()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
        tzset();
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct stat Lstat(const std::string& path)
{
    struct stat st { };
    lstat(path.c_str(), &st);
    return st;
}

bool IsEmptyFolder(const std::string& path)
{
    return fs::is_directory(path) && fs::is_empty(path);
}

// The Path= value of a .trashinfo, after checking the whole text's form and
// that its date is the local time between before and after.
std::string InfoPath(const std::string& infoFile, std::time_t before, std::time_t after)
{
    static const std::regex form(
        "\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
    const std::string text = TempDir::Read(infoFile);
    std::smatch match;
    if (!std::regex_match(text, match, form)) {
        ADD_FAILURE() << "not a trash record: " << text;
        return {};
    }
    std::tm local {};
    strptime(match[2].str().c_str(), "%Y-%m-%dT%H:%M:%S", &local);
    local.tm_isdst = -1;
    const std::time_t when = mktime(&local);
    EXPECT_GE(when, before) << match[2];
    EXPECT_LE(when, after) << match[2];
    return match[1];
}

// A file system of its own in a scratch folder, away from the home trash's:
// what is removed there goes to the trash at its top folder.
class TopTrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting and giving folders away need root";
        fs::create_directories(m_top);
        m_mount.emplace(m_top, "1m");
        if (!m_mount->Mounted())
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        // Like a shared medium: every user may create names at its top.
        chmod(m_top.c_str(), 01777);
        // A folder another user owns, where a trash must never end up.
        fs::create_directories(At("victim"));
        chown(At("victim").c_str(), kOtherUser, kOtherUser);
    }

    std::string At(const std::string& name) const { return m_top + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        return m_dir.Write("top/" + name, bytes);
    }

    TempDir m_dir;
    std::string m_top = m_dir / "top";
    std::optional<TmpfsMount> m_mount;
};

TEST_F(TopTrashTest, ItemsGoToTheUsersTrashAtTheTopWithTheirRecords)
{
    const std::string deep = Write("a/b/x y%.txt", "deep");
    const std::string flat = Write("flat", "flat");
    // The date is written in local time: a zone far from UTC tells it apart.
    const ScopedVariable zone("TZ", "KVT-5");
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(MoveToTrash(deep)) << strerror(errno);
    ASSERT_TRUE(MoveToTrash(flat)) << strerror(errno);
    const std::time_t after = std::time(nullptr);

    const std::string trash = At(".Trash-0");
    const struct stat st = Lstat(trash);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_EQ("deep", TempDir::Read(trash + "/files/x y%.txt"));
    EXPECT_EQ("flat", TempDir::Read(trash + "/files/flat"));
    // Relative to the top folder, so the record holds when the medium is
    // mounted elsewhere.
    EXPECT_EQ("a/b/x%20y%25.txt", InfoPath(trash + "/info/x y%.txt.trashinfo", before, after));
    EXPECT_EQ("flat", InfoPath(trash + "/info/flat.trashinfo", before, after));
    EXPECT_EQ(Lstat(trash + "/info/flat.trashinfo").st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(At(".Trash")));
}

TEST_F(TopTrashTest, EqualNamesGetNamesOfTheirOwn)
{
    ASSERT_TRUE(MoveToTrash(Write("a/same.txt", "a")));
    ASSERT_TRUE(MoveToTrash(Write("b/same.txt", "b")));
    const std::string trash = At(".Trash-0");
    EXPECT_EQ("a", TempDir::Read(trash + "/files/same.txt"));
    EXPECT_EQ("b", TempDir::Read(trash + "/files/same.txt.2"));
    EXPECT_EQ("b/same.txt", InfoPath(trash + "/info/same.txt.2.trashinfo", 0, std::time(nullptr)));

    // An item left in files/ without its record also takes the name: the
    // record written for it first is taken back.
    TempDir::Read(m_dir.Write("top/.Trash-0/files/orphan", "old"));
    ASSERT_TRUE(MoveToTrash(Write("c/orphan", "new")));
    EXPECT_EQ("old", TempDir::Read(trash + "/files/orphan"));
    EXPECT_EQ("new", TempDir::Read(trash + "/files/orphan.2"));
    EXPECT_FALSE(fs::exists(trash + "/info/orphan.trashinfo"));
    EXPECT_TRUE(fs::exists(trash + "/info/orphan.2.trashinfo"));
}

TEST_F(TopTrashTest, ALinkInPlaceOfATrashLeadsNowhere)
{
    fs::create_directory(At(".Trash"));
    chmod(At(".Trash").c_str(), 01777);
    fs::create_directory_symlink(At("victim"), At(".Trash/0"));
    fs::create_directory_symlink(At("victim"), At(".Trash-0"));
    const std::string file = Write("secret", "root's");

    errno = 0;
    EXPECT_FALSE(MoveToTrash(file));
    EXPECT_NE(errno, 0);
    EXPECT_EQ("root's", TempDir::Read(file));
    EXPECT_TRUE(IsEmptyFolder(At("victim")));
    EXPECT_TRUE(fs::is_symlink(At(".Trash-0")));

    // Through a handle of the item's folder, as the engine removes items.
    const int folder = open(m_top.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_NE(MoveToTrashAt(folder, "secret", file), 0);
    EXPECT_TRUE(IsEmptyFolder(At("victim")));

    // A home trash on the same file system takes the item before any trash
    // at the top is looked at.
    const ScopedVariable data("XDG_DATA_HOME", At("home/data"));
    EXPECT_EQ(MoveToTrashAt(folder, "secret", file), 0);
    close(folder);
    EXPECT_EQ("root's", TempDir::Read(At("home/data/Trash/files/secret")));
    EXPECT_EQ(file, InfoPath(At("home/data/Trash/info/secret.trashinfo"), 0, std::time(nullptr)));
    EXPECT_EQ(Lstat(At("home/data")).st_mode & 0777, 0700u);
    EXPECT_TRUE(IsEmptyFolder(At("victim")));
}

TEST_F(TopTrashTest, TheSharedTrashServesOnlyWithTheStickyBit)
{
    fs::create_directory(At(".Trash"));
    chmod(At(".Trash").c_str(), 0777);
    ASSERT_TRUE(MoveToTrash(Write("first", "1")));
    EXPECT_EQ("1", TempDir::Read(At(".Trash-0/files/first")));
    EXPECT_FALSE(fs::exists(At(".Trash/0")));

    chmod(At(".Trash").c_str(), 01777);
    ASSERT_TRUE(MoveToTrash(Write("a/second", "2")));
    EXPECT_EQ("2", TempDir::Read(At(".Trash/0/files/second")));
    EXPECT_EQ("a/second", InfoPath(At(".Trash/0/info/second.trashinfo"), 0, std::time(nullptr)));
    EXPECT_EQ(Lstat(At(".Trash/0")).st_mode & 07777, 0700u);
}

TEST_F(TopTrashTest, TrashFoldersThatAreNotTheUsersOwnAreRefused)
{
    const std::string file = Write("kept", "kept");
    // Put there by another user who may write the top folder.
    fs::create_directory(At(".Trash"));
    chmod(At(".Trash").c_str(), 01777);
    fs::create_directory(At(".Trash/0"));
    chown(At(".Trash/0").c_str(), kOtherUser, kOtherUser);
    fs::create_directory(At(".Trash-0"));
    chmod(At(".Trash-0").c_str(), 0700);
    chown(At(".Trash-0").c_str(), kOtherUser, kOtherUser);
    errno = 0;
    EXPECT_FALSE(MoveToTrash(file));
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ("kept", TempDir::Read(file));
    EXPECT_TRUE(IsEmptyFolder(At(".Trash/0")));
    EXPECT_TRUE(IsEmptyFolder(At(".Trash-0")));

    // Ours, but open to others.
    chown(At(".Trash-0").c_str(), 0, 0);
    chmod(At(".Trash-0").c_str(), 0755);
    EXPECT_FALSE(MoveToTrash(file));
    EXPECT_EQ(errno, EPERM);
    EXPECT_TRUE(IsEmptyFolder(At(".Trash-0")));

    fs::remove(At(".Trash-0"));
    TempDir::Read(Write(".Trash-0", "a file"));
    EXPECT_FALSE(MoveToTrash(file));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_EQ("kept", TempDir::Read(file));

    fs::remove(At(".Trash-0"));
    ASSERT_TRUE(MoveToTrash(file));
    EXPECT_EQ("kept", TempDir::Read(At(".Trash-0/files/kept")));
}

TEST(Trash, ItemsOnTheHomeFileSystemLandInTheHomeTrashEvenWithoutADataFolder)
{
    TempDir dir;
    const std::string file = dir.Write("gone.txt", "bye");
    const std::string dataHome = dir / "data";
    const ScopedVariable data("XDG_DATA_HOME", dataHome);
    ASSERT_TRUE(MoveToTrash(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ("bye", TempDir::Read(dataHome + "/Trash/files/gone.txt"));
    EXPECT_EQ(file, InfoPath(dataHome + "/Trash/info/gone.txt.trashinfo", 0, std::time(nullptr)));

    // A link goes itself; what it points at stays.
    const std::string target = dir.Write("target", "stays");
    fs::create_symlink(target, dir / "link");
    ASSERT_TRUE(MoveToTrash(dir / "link"));
    EXPECT_TRUE(fs::is_symlink(dataHome + "/Trash/files/link"));
    EXPECT_EQ("stays", TempDir::Read(target));
}

TEST(Trash, AnItemThatCannotBeMovedLeavesNoRecord)
{
    TempDir dir;
    const ScopedVariable data("XDG_DATA_HOME", dir / "data");
    const int folder = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(MoveToTrashAt(folder, "missing", dir / "missing"), ENOENT);
    EXPECT_EQ(MoveToTrashAt(folder, "..", dir.Path()), EINVAL);
    close(folder);
    EXPECT_TRUE(IsEmptyFolder(dir / "data/Trash/info"));
}

} // namespace
