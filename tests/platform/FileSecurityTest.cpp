#include "platform/FileSecurity.h"

#include "common/TempDir.h"
#include "platform/Compression.h"
#include "platform/Privilege.h"

#include <acl/libacl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string AclText(const std::string& path, acl_type_t type)
{
    acl_t acl = acl_get_file(path.c_str(), type);
    if (!acl)
        return "error";
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
    std::string result = text ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

void SetAcl(const std::string& path, acl_type_t type, const char* text)
{
    acl_t acl = acl_from_text(text);
    ASSERT_NE(nullptr, acl);
    ASSERT_EQ(0, acl_set_file(path.c_str(), type, acl));
    acl_free(acl);
}

TEST(FileSecurity, OwnerModeAndAclsAreCarriedOver)
{
    TempDir dir;
    const std::string from = dir.Write("from/f", "x");
    const std::string to = dir.Write("to/f", "x");
    ASSERT_EQ(0, ::chown(from.c_str(), 1234, 2345));
    SetAcl(from, ACL_TYPE_ACCESS, "u::rw-,u:4321:r--,g::r--,m::r--,o::---");
    SetAcl(dir / "from", ACL_TYPE_DEFAULT, "u::rwx,u:4321:r-x,g::r-x,m::r-x,o::---");

    CFileSecurity security;
    ASSERT_EQ(0, security.Read(from));
    ASSERT_EQ(0, security.Write(to));
    struct stat st { };
    ::stat(to.c_str(), &st);
    EXPECT_EQ(1234u, st.st_uid);
    EXPECT_EQ(2345u, st.st_gid);
    EXPECT_EQ(AclText(from, ACL_TYPE_ACCESS), AclText(to, ACL_TYPE_ACCESS));

    ASSERT_EQ(0, security.Read(dir / "from"));
    ASSERT_EQ(0, security.Write(dir / "to"));
    EXPECT_EQ(AclText(dir / "from", ACL_TYPE_DEFAULT), AclText(dir / "to", ACL_TYPE_DEFAULT));
}

TEST(FileSecurity, PlainSourceClearsAnInheritedAcl)
{
    TempDir dir;
    const std::string from = dir.Write("from/f", "x");
    ::chmod(from.c_str(), 0640);
    fs::create_directory(dir / "to");
    SetAcl(dir / "to", ACL_TYPE_DEFAULT, "u::rwx,u:4321:rwx,g::r-x,m::rwx,o::---");
    const std::string to = dir.Write("to/f", "x"); // inherits u:4321
    CFileSecurity security;
    ASSERT_EQ(0, security.Read(from));
    ASSERT_EQ(0, security.Write(to));
    EXPECT_EQ(AclText(from, ACL_TYPE_ACCESS), AclText(to, ACL_TYPE_ACCESS));
}

TEST(FileSecurity, MissingItemsReportErrno)
{
    TempDir dir;
    CFileSecurity security;
    EXPECT_EQ(ENOENT, security.Read(dir / "none"));
    dir.Write("f", "");
    ASSERT_EQ(0, security.Read(dir / "f"));
    EXPECT_EQ(ENOENT, security.Write(dir / "none"));
}

TEST(Privilege, HeldByRootAndRefusedWithoutCapChown)
{
    EXPECT_TRUE(EnablePrivilege("SeSecurityPrivilege", true));
    EXPECT_FALSE(EnablePrivilege("SeBackupPrivilege", true));
    // Capabilities belong to a thread: drop CAP_CHOWN in one that ends here.
    bool enabled = true;
    std::thread([&] {
        cap_t caps = cap_get_proc();
        const cap_value_t value = CAP_CHOWN;
        cap_set_flag(caps, CAP_EFFECTIVE, 1, &value, CAP_CLEAR);
        cap_set_flag(caps, CAP_PERMITTED, 1, &value, CAP_CLEAR);
        cap_set_proc(caps);
        cap_free(caps);
        enabled = EnablePrivilege("SeSecurityPrivilege", true);
    }).join();
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(EnablePrivilege("SeSecurityPrivilege", true));
}

TEST(Compression, MissingFolderIsAnAccessFailure)
{
    TempDir dir;
    const CompressionResult result = SetFolderCompression(dir / "none");
    EXPECT_EQ(ENOENT, result.accessError);
    EXPECT_FALSE(result.Ok());
}

} // namespace

namespace {

std::string Attribute(const std::string& path, const char* name)
{
    char value[256];
    const ssize_t size = ::lgetxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "missing" : std::string(value, static_cast<std::size_t>(size));
}

TEST(FileSecurity, UserAndSecurityAttributesTravelWithTheAcls)
{
    TempDir dir;
    const std::string from = dir.Write("from/f", "x");
    const std::string to = dir.Write("to/f", "x");
    ASSERT_EQ(0, ::setxattr(from.c_str(), "user.origin", "camera\0raw", 10, 0));
    ASSERT_EQ(0, ::setxattr(from.c_str(), "security.korvane-test", "label", 5, 0));
    ASSERT_EQ(0, ::setxattr(from.c_str(), "trusted.korvane-test", "kept out", 8, 0));
    ASSERT_EQ(0, ::setxattr((dir / "from").c_str(), "user.folder", "yes", 3, 0));

    CFileSecurity security;
    ASSERT_EQ(0, security.Read(from));
    ASSERT_EQ(0, security.Write(to));
    EXPECT_EQ(std::string("camera\0raw", 10), Attribute(to, "user.origin"));
    EXPECT_EQ("label", Attribute(to, "security.korvane-test"));
    EXPECT_EQ("missing", Attribute(to, "trusted.korvane-test"));
    ASSERT_EQ(0, security.Read(dir / "from"));
    ASSERT_EQ(0, security.Write(dir / "to"));
    EXPECT_EQ("yes", Attribute(dir / "to", "user.folder"));

    // A link carries none, and reading one after a file leaves none behind.
    fs::create_symlink("f", dir / "from/link");
    fs::create_symlink("f", dir / "to/link");
    ASSERT_EQ(0, security.Read(dir / "from/link"));
    EXPECT_EQ(0, security.Write(dir / "to/link"));
}

} // namespace
