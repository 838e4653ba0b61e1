#include "platform/DirectoryReader.h"

#include "platform/FileCopier.h"
#include "platform/StatConvert.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>

namespace {

FileKind KindOfDirent(unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return FileKind::Directory;
    case DT_REG:
        return FileKind::Regular;
    case DT_LNK:
        return FileKind::Link;
    case DT_UNKNOWN:
        return FileKind::Unknown;
    default:
        return FileKind::Other;
    }
}

bool IsDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

CDirectoryReader::~CDirectoryReader()
{
    Close();
}

bool CDirectoryReader::Open(const std::string& folder)
{
    Close();
    m_error = 0;
    m_dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!m_dir)
        m_error = errno;
    return m_dir != nullptr;
}

bool CDirectoryReader::Open(const CDirHandle& folder)
{
    Close();
    m_error = 0;
    CDirHandle listing;
    if (const int error = folder.OpenForListing(listing)) {
        m_error = error;
        return false;
    }
    return Take(std::move(listing));
}

bool CDirectoryReader::Take(CDirHandle&& listing)
{
    Close();
    m_error = 0;
    m_dir = fdopendir(listing.Fd());
    if (!m_dir) {
        m_error = errno;
        return false;
    }
    listing.Release();
    return true;
}

bool CDirectoryReader::Next(std::string& name, FileKind& kind)
{
    if (!m_dir)
        return false;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(static_cast<DIR*>(m_dir));
        if (!entry) {
            m_error = errno;
            return false;
        }
        if (IsDotEntry(entry->d_name))
            continue;
        name.assign(entry->d_name);
        kind = KindOfDirent(entry->d_type);
        return true;
    }
}

int CDirectoryReader::Stat(const std::string& name, FileFindData& data) const
{
    if (!m_dir)
        return EBADF;
    const int error = CStatConvert::StatAt(dirfd(static_cast<DIR*>(m_dir)), name.c_str(), data);
    if (!error)
        data.Name = name;
    return error;
}

int CDirectoryReader::RemoveStaleTemporary(const std::string& name) const
{
    if (!m_dir)
        return EBADF;
    return CFileCopier::RemoveIfStale(dirfd(static_cast<DIR*>(m_dir)), name);
}

void CDirectoryReader::Close()
{
    if (m_dir)
        closedir(static_cast<DIR*>(m_dir));
    m_dir = nullptr;
}
