#include "platform/FileSecurity.h"

#include "platform/PathParts.h"
#include "platform/UniqueFd.h"

#include <acl/libacl.h>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

class AclGuard {
public:
    explicit AclGuard(acl_t acl)
        : m_acl(acl)
    {
    }
    ~AclGuard()
    {
        if (m_acl)
            acl_free(m_acl);
    }
    AclGuard(const AclGuard&) = delete;
    AclGuard& operator=(const AclGuard&) = delete;
    acl_t Get() const { return m_acl; }

private:
    acl_t m_acl;
};

const char* NameOrSelf(const std::string& name)
{
    return name.empty() ? "." : name.c_str();
}

// The process's own name for an open item: libacl reads and writes a
// folder's default ACL only by name, and this one cannot be swapped.
std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// The item looked at, opened without following a link; -1 with errno when
// something else took its place meanwhile. Not O_PATH: ACLs and extended
// attributes need a real descriptor.
int OpenItem(const CDirHandle& folder, const std::string& name, const struct stat& looked)
{
    const int flags
        = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (S_ISDIR(looked.st_mode) ? O_DIRECTORY : 0);
    const int fd = ::openat(folder.Fd(), NameOrSelf(name), flags);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || st.st_dev != looked.st_dev || st.st_ino != looked.st_ino) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

bool Unsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// 0 with `out` empty when the file system keeps no ACLs or the ACL says no
// more than the mode bits.
int ReadAcl(int fd, acl_type_t type, std::vector<char>& out)
{
    out.clear();
    AclGuard acl(type == ACL_TYPE_ACCESS ? acl_get_fd(fd) : acl_get_file(ProcPath(fd).c_str(), type));
    if (!acl.Get())
        return Unsupported(errno) ? 0 : errno;
    if (type == ACL_TYPE_ACCESS && acl_equiv_mode(acl.Get(), nullptr) == 0)
        return 0;
    if (type == ACL_TYPE_DEFAULT && acl_entries(acl.Get()) <= 0)
        return 0;
    const ssize_t size = acl_size(acl.Get());
    if (size <= 0)
        return errno;
    out.resize(static_cast<size_t>(size));
    if (acl_copy_ext(out.data(), acl.Get(), size) < 0)
        return errno;
    return 0;
}

int WriteAccessAcl(int fd, const std::vector<char>& ext, mode_t mode)
{
    // Without an extended ACL, the mode's own ACL replaces whatever the new
    // item inherited from its folder's default ACL.
    AclGuard acl(ext.empty() ? acl_from_mode(mode) : acl_copy_int(ext.data()));
    if (!acl.Get())
        return errno;
    if (acl_set_fd(fd, acl.Get()) == 0)
        return 0;
    return Unsupported(errno) && ext.empty() ? 0 : errno;
}

int WriteDefaultAcl(int fd, const std::vector<char>& ext)
{
    const std::string path = ProcPath(fd);
    if (ext.empty()) {
        if (acl_delete_def_file(path.c_str()) == 0)
            return 0;
        return Unsupported(errno) ? 0 : errno;
    }
    AclGuard acl(acl_copy_int(ext.data()));
    if (!acl.Get())
        return errno;
    return acl_set_file(path.c_str(), ACL_TYPE_DEFAULT, acl.Get()) == 0 ? 0 : errno;
}

// The namespaces that belong to the file's owner and to the security
// modules; system.* holds the ACLs, copied above, and trusted.* needs
// privileges a restore may not have.
bool IsCarriedAttribute(std::string_view name)
{
    return name.rfind("user.", 0) == 0 || name.rfind("security.", 0) == 0;
}

// Reads a value whose size may change between asking and reading.
int ReadAttribute(int fd, const std::string& name, std::string& value)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0)
            return errno;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t read = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (read >= 0) {
            value.resize(static_cast<std::size_t>(read));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

int ReadAttributeNames(int fd, std::string& names)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return Unsupported(errno) ? 0 : errno;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t read = ::flistxattr(fd, names.data(), names.size());
        if (read >= 0) {
            names.resize(static_cast<std::size_t>(read));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

int ReadAttributes(int fd, std::vector<std::pair<std::string, std::string>>& out)
{
    out.clear();
    std::string names;
    if (const int error = ReadAttributeNames(fd, names))
        return error;
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = names.find('\0', start);
        const std::string name = names.substr(start, end - start);
        start = end == std::string::npos ? names.size() : end + 1;
        if (!IsCarriedAttribute(name))
            continue;
        std::string value;
        const int error = ReadAttribute(fd, name, value);
        if (error == ENODATA)
            continue; // removed meanwhile
        if (error)
            return error;
        out.emplace_back(name, std::move(value));
    }
    return 0;
}

int WriteAttributes(int fd, const std::vector<std::pair<std::string, std::string>>& attributes)
{
    for (const auto& [name, value] : attributes) {
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            return errno;
    }
    return 0;
}

} // namespace

int CFileSecurity::Read(const std::string& path)
{
    CDirHandle folder;
    if (const int error = CDirHandle::OpenNamed(PathParts::FolderOf(path), folder))
        return error;
    return ReadAt(folder, PathParts::NameOf(path));
}

int CFileSecurity::Write(const std::string& path) const
{
    CDirHandle folder;
    if (const int error = CDirHandle::OpenNamed(PathParts::FolderOf(path), folder))
        return error;
    return WriteAt(folder, PathParts::NameOf(path));
}

int CFileSecurity::ReadAt(const CDirHandle& folder, const std::string& name)
{
    struct stat st { };
    if (::fstatat(folder.Fd(), NameOrSelf(name), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISLNK(st.st_mode)) {
        TakeStat(st);
        return 0;
    }
    CUniqueFd item(OpenItem(folder, name, st));
    if (item.Get() < 0)
        return errno;
    return ReadFd(item.Get());
}

int CFileSecurity::ReadFd(int fd)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return errno;
    TakeStat(st);
    if (const int error = ReadAcl(fd, ACL_TYPE_ACCESS, m_access))
        return error;
    if (m_isFolder) {
        if (const int error = ReadAcl(fd, ACL_TYPE_DEFAULT, m_default))
            return error;
    }
    return ReadAttributes(fd, m_attributes);
}

void CFileSecurity::TakeStat(const struct stat& st)
{
    m_uid = st.st_uid;
    m_gid = st.st_gid;
    m_mode = st.st_mode & 07777;
    m_isLink = S_ISLNK(st.st_mode);
    m_isFolder = S_ISDIR(st.st_mode);
    m_access.clear();
    m_default.clear();
    m_attributes.clear();
}

int CFileSecurity::WriteAt(const CDirHandle& folder, const std::string& name) const
{
    struct stat st { };
    if (::fstatat(folder.Fd(), NameOrSelf(name), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISLNK(st.st_mode) != m_isLink || S_ISDIR(st.st_mode) != m_isFolder)
        return ESTALE; // another kind of item than the one read
    if (m_isLink)
        return ::fchownat(folder.Fd(), name.c_str(), m_uid, m_gid, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    CUniqueFd item(OpenItem(folder, name, st));
    if (item.Get() < 0)
        return errno;
    return WriteFd(item.Get());
}

int CFileSecurity::WriteFd(int fd) const
{
    if (::fchown(fd, m_uid, m_gid) != 0)
        return errno;
    // chown clears set-id bits, so the mode goes on after it.
    if (::fchmod(fd, m_mode) != 0)
        return errno;
    if (const int error = WriteAccessAcl(fd, m_access, m_mode))
        return error;
    if (m_isFolder) {
        if (const int error = WriteDefaultAcl(fd, m_default))
            return error;
    }
    // Last: changing the owner drops a file capability (security.capability).
    return WriteAttributes(fd, m_attributes);
}
