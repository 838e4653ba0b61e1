#include "platform/FileSecurity.h"

#include <acl/libacl.h>
#include <cerrno>
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

bool Unsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// 0 with `out` empty when the file system keeps no ACLs or the ACL says no
// more than the mode bits.
int ReadAcl(const std::string& path, acl_type_t type, std::vector<char>& out)
{
    out.clear();
    AclGuard acl(acl_get_file(path.c_str(), type));
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

int WriteAccessAcl(const std::string& path, const std::vector<char>& ext, mode_t mode)
{
    // Without an extended ACL, the mode's own ACL replaces whatever the new
    // item inherited from its folder's default ACL.
    AclGuard acl(ext.empty() ? acl_from_mode(mode) : acl_copy_int(ext.data()));
    if (!acl.Get())
        return errno;
    if (acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl.Get()) == 0)
        return 0;
    return Unsupported(errno) && ext.empty() ? 0 : errno;
}

int WriteDefaultAcl(const std::string& path, const std::vector<char>& ext)
{
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
int ReadAttribute(const std::string& path, const std::string& name, std::string& value)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            return errno;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t read = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (read >= 0) {
            value.resize(static_cast<std::size_t>(read));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

int ReadAttributeNames(const std::string& path, std::string& names)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return Unsupported(errno) ? 0 : errno;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t read = ::llistxattr(path.c_str(), names.data(), names.size());
        if (read >= 0) {
            names.resize(static_cast<std::size_t>(read));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

int ReadAttributes(const std::string& path, std::vector<std::pair<std::string, std::string>>& out)
{
    out.clear();
    std::string names;
    if (const int error = ReadAttributeNames(path, names))
        return error;
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = names.find('\0', start);
        const std::string name = names.substr(start, end - start);
        start = end == std::string::npos ? names.size() : end + 1;
        if (!IsCarriedAttribute(name))
            continue;
        std::string value;
        const int error = ReadAttribute(path, name, value);
        if (error == ENODATA)
            continue; // removed meanwhile
        if (error)
            return error;
        out.emplace_back(name, std::move(value));
    }
    return 0;
}

int WriteAttributes(const std::string& path, const std::vector<std::pair<std::string, std::string>>& attributes)
{
    for (const auto& [name, value] : attributes) {
        if (::lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) != 0)
            return errno;
    }
    return 0;
}

} // namespace

int CFileSecurity::Read(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    m_uid = st.st_uid;
    m_gid = st.st_gid;
    m_mode = st.st_mode & 07777;
    m_isLink = S_ISLNK(st.st_mode);
    m_isFolder = S_ISDIR(st.st_mode);
    m_access.clear();
    m_default.clear();
    m_attributes.clear();
    if (m_isLink)
        return 0;
    if (const int error = ReadAcl(path, ACL_TYPE_ACCESS, m_access))
        return error;
    if (m_isFolder) {
        if (const int error = ReadAcl(path, ACL_TYPE_DEFAULT, m_default))
            return error;
    }
    return ReadAttributes(path, m_attributes);
}

int CFileSecurity::Write(const std::string& path) const
{
    if (::lchown(path.c_str(), m_uid, m_gid) != 0)
        return errno;
    if (m_isLink)
        return 0;
    // chown clears set-id bits, so the mode goes on after it.
    if (::chmod(path.c_str(), m_mode) != 0)
        return errno;
    if (const int error = WriteAccessAcl(path, m_access, m_mode))
        return error;
    if (m_isFolder) {
        if (const int error = WriteDefaultAcl(path, m_default))
            return error;
    }
    // Last: changing the owner drops a file capability (security.capability).
    return WriteAttributes(path, m_attributes);
}
