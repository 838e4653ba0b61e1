#include "platform/FileSecurity.h"

#include <acl/libacl.h>
#include <cerrno>
#include <sys/acl.h>
#include <sys/stat.h>
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
    if (m_isLink)
        return 0;
    if (const int error = ReadAcl(path, ACL_TYPE_ACCESS, m_access))
        return error;
    return m_isFolder ? ReadAcl(path, ACL_TYPE_DEFAULT, m_default) : 0;
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
    return m_isFolder ? WriteDefaultAcl(path, m_default) : 0;
}
