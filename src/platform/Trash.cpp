#include "platform/Trash.h"

#include "platform/UniqueFd.h"
#include "platform/XdgPaths.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// O_PATH: a folder is entered and named, never read, so a trash folder
// without read permission for us still serves.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr const char* kInfoSuffix = ".trashinfo";
constexpr std::size_t kNameMax = NAME_MAX;
constexpr int kMostNames = 10000;
constexpr int kDeepestTop = 4096;

// A trash folder's files/ and info/ folders, opened and checked.
struct TrashParts {
    std::optional<CUniqueFd> files;
    std::optional<CUniqueFd> info;
};

// Opens name below parent as a folder without following a link, creating it
// 0700 when missing, and keeps it only when the user owns it (with
// onlyOwner, also only when nobody else may enter it). -1 with error set
// otherwise.
int OpenOwnFolder(int parent, const std::string& name, uid_t uid, bool onlyOwner, int& error)
{
    int fd = ::openat(parent, name.c_str(), kFolderFlags);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return -1;
        }
        fd = ::openat(parent, name.c_str(), kFolderFlags);
    }
    if (fd < 0) {
        error = errno;
        return -1;
    }
    CUniqueFd folder(fd);
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR;
        return -1;
    }
    if (st.st_uid != uid || (onlyOwner && (st.st_mode & 0777) != 0700)) {
        error = EPERM;
        return -1;
    }
    return folder.Release();
}

int OpenParts(int trashFd, uid_t uid, TrashParts& parts)
{
    int error = 0;
    parts.files.emplace(OpenOwnFolder(trashFd, "files", uid, false, error));
    if (parts.files->Get() < 0)
        return error;
    parts.info.emplace(OpenOwnFolder(trashFd, "info", uid, false, error));
    return parts.info->Get() < 0 ? error : 0;
}

// $topdir/.Trash/$uid. .Trash is shared by every user, so it counts only as
// a real folder with the sticky bit, which keeps them from renaming or
// removing our folder in it and putting one of theirs in its place.
int OpenSharedTrash(int topFd, uid_t uid, int& error)
{
    CUniqueFd shared(::openat(topFd, ".Trash", kFolderFlags));
    struct stat st { };
    if (shared.Get() < 0 || ::fstat(shared.Get(), &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISDIR(st.st_mode) || (st.st_mode & S_ISVTX) == 0) {
        error = EPERM;
        return -1;
    }
    return OpenOwnFolder(shared.Get(), std::to_string(uid), uid, false, error);
}

// $topdir/.Trash-$uid: whoever can write the top folder may have put it
// there, so it must be ours and closed to everyone else.
int OpenPrivateTrash(int topFd, uid_t uid, int& error)
{
    return OpenOwnFolder(topFd, ".Trash-" + std::to_string(uid), uid, true, error);
}

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t mount = 0; // 0 when the kernel does not tell
};

bool Identify(int fd, Identity& id)
{
    struct statx sx { };
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &sx) != 0)
        return false;
    id.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id.inode = sx.stx_ino;
    id.mount = (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0;
    return true;
}

bool SameMount(const Identity& a, const Identity& b)
{
    // A folder bound a second time onto the same file system is a mount of
    // its own: no rename crosses from it, so its top is the bound folder.
    if (a.mount != 0 && b.mount != 0)
        return a.mount == b.mount;
    return a.device == b.device;
}

// The top folder of the mount that holds folderFd, found by climbing ".."
// from the handle rather than through a path others could change; depth
// counts the steps up. -1 with error set when it cannot be reached.
int OpenTopFolder(int folderFd, int& depth, int& error)
{
    std::optional<CUniqueFd> current;
    current.emplace(::openat(folderFd, ".", kFolderFlags));
    Identity here;
    if (current->Get() < 0 || !Identify(current->Get(), here)) {
        error = errno;
        return -1;
    }
    for (depth = 0; depth < kDeepestTop; ++depth) {
        CUniqueFd parent(::openat(current->Get(), "..", kFolderFlags));
        Identity above;
        if (parent.Get() < 0 || !Identify(parent.Get(), above)) {
            error = errno;
            return -1;
        }
        const bool atRoot = above.device == here.device && above.inode == here.inode;
        if (atRoot || !SameMount(above, here))
            return current->Release();
        current.emplace(parent.Release());
        here = above;
    }
    error = ELOOP;
    return -1;
}

// The names of path from the root down, absolute, with "." and ".." taken
// by their text: the path only describes the item, no call follows it.
std::vector<std::string> PathNames(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd))
            full = std::string(cwd) + "/" + full;
    }
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos)
            end = full.size();
        const std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!part.empty() && part != ".") {
            names.push_back(part);
        }
        start = end + 1;
    }
    return names;
}

std::string Joined(const std::vector<std::string>& names, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < names.size(); ++i)
        text += (i > from ? "/" : "") + names[i];
    return text;
}

// The item's original place as its .trashinfo records it: absolute for the
// home trash (depth -1), else relative to the top folder depth folders above
// the item's folder, as a trash at a top folder moves with its medium.
std::string PathText(const std::string& path, const std::string& name, int depth)
{
    std::vector<std::string> names = PathNames(path);
    if (!names.empty())
        names.pop_back();
    names.push_back(name);
    if (depth < 0 || static_cast<std::size_t>(depth) >= names.size())
        return "/" + Joined(names, 0);
    return Joined(names, names.size() - static_cast<std::size_t>(depth) - 1);
}

// Percent-encoded as in URLs; '/' stays as it separates the names.
std::string Escaped(const std::string& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || std::strchr("-._~/", c) != nullptr;
        if (plain && c != '\0') {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

std::string InfoText(const std::string& pathText)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char date[32] = "";
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + Escaped(pathText) + "\nDeletionDate=" + date + "\n";
}

// The item's name in files/ at the given try: its own name, then with .2,
// .3, ... added; a long name is cut (between characters) so that its
// .trashinfo name still fits.
std::string TrashedName(const std::string& name, int attempt)
{
    const std::string suffix = attempt > 1 ? "." + std::to_string(attempt) : "";
    std::size_t room = kNameMax - std::strlen(kInfoSuffix) - suffix.size();
    if (name.size() <= room)
        return name + suffix;
    while (room > 0 && (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80)
        --room;
    return name.substr(0, room) + suffix;
}

// Creates fileName in info/ only if no other item holds it (O_EXCL is what
// keeps two removals of equal names apart) and writes text to it.
int WriteInfo(int infoFd, const std::string& fileName, const std::string& text)
{
    CUniqueFd file(::openat(infoFd, fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.Get() < 0)
        return errno;
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const ssize_t written = ::write(file.Get(), text.data() + done, text.size() - done);
        if (written > 0)
            done += static_cast<std::size_t>(written);
        else if (written == 0 || errno != EINTR)
            error = written == 0 ? EIO : errno;
    }
    if (const int closed = file.Close(); error == 0)
        error = closed;
    if (error != 0)
        ::unlinkat(infoFd, fileName.c_str(), 0);
    return error;
}

int RenameNoReplace(int fromFd, const std::string& from, int toFd, const std::string& to)
{
    if (::renameat2(fromFd, from.c_str(), toFd, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // File systems without RENAME_NOREPLACE (NFS): in files/, which only the
    // user may write, nobody can put a name there between the look and the
    // rename.
    struct stat st { };
    if (::fstatat(toFd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFd, from.c_str(), toFd, to.c_str()) == 0 ? 0 : errno;
}

// The .trashinfo first, then the item, so that no trashed item is ever
// without its record; a name taken in either folder means another name.
int PlaceItem(const TrashParts& parts, int folderFd, const std::string& name, const std::string& info)
{
    for (int attempt = 1; attempt <= kMostNames; ++attempt) {
        const std::string trashed = TrashedName(name, attempt);
        const std::string infoName = trashed + kInfoSuffix;
        const int written = WriteInfo(parts.info->Get(), infoName, info);
        if (written == EEXIST)
            continue;
        if (written != 0)
            return written;
        const int moved = RenameNoReplace(folderFd, name, parts.files->Get(), trashed);
        if (moved == 0)
            return 0;
        ::unlinkat(parts.info->Get(), infoName.c_str(), 0);
        if (moved != EEXIST && moved != ENOTEMPTY)
            return moved;
    }
    return EEXIST;
}

int MoveInto(int trashFd, uid_t uid, int folderFd, const std::string& name, const std::string& pathText)
{
    TrashParts parts;
    if (const int error = OpenParts(trashFd, uid, parts))
        return error;
    return PlaceItem(parts, folderFd, name, InfoText(pathText));
}

// Missing folders of path are made 0700, as the base directory rules ask.
void MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

int OpenDataHome()
{
    const std::string path = XdgDataHome();
    const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    MakeFolders(path);
    return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// $XDG_DATA_HOME/Trash when it lies on device. -1 with error set otherwise:
// EXDEV when the item belongs to the trash of its own file system (the data
// folder elsewhere, or out of reach).
int OpenHomeTrash(dev_t device, uid_t uid, int& error)
{
    CUniqueFd data(OpenDataHome());
    struct stat st { };
    if (data.Get() < 0 || ::fstat(data.Get(), &st) != 0 || st.st_dev != device) {
        error = EXDEV;
        return -1;
    }
    return OpenOwnFolder(data.Get(), "Trash", uid, false, error);
}

int MoveToTopTrash(int folderFd, const std::string& name, const std::string& path, uid_t uid)
{
    int depth = 0;
    int error = 0;
    CUniqueFd top(OpenTopFolder(folderFd, depth, error));
    if (top.Get() < 0)
        return error;
    const std::string pathText = PathText(path, name, depth);
    for (const auto open : { OpenSharedTrash, OpenPrivateTrash }) {
        CUniqueFd trash(open(top.Get(), uid, error));
        TrashParts parts;
        if (trash.Get() < 0 || (error = OpenParts(trash.Get(), uid, parts)) != 0)
            continue;
        return PlaceItem(parts, folderFd, name, InfoText(pathText));
    }
    return error;
}

} // namespace

std::string HomeTrashFolder()
{
    return XdgDataHome() + "/Trash";
}

int MoveToTrashAt(int folderFd, const std::string& name, const std::string& path)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return EINVAL;
    struct stat folder { };
    if (::fstat(folderFd, &folder) != 0)
        return errno;
    const uid_t uid = ::geteuid();
    int error = 0;
    CUniqueFd home(OpenHomeTrash(folder.st_dev, uid, error));
    if (home.Get() >= 0)
        error = MoveInto(home.Get(), uid, folderFd, name, PathText(path, name, -1));
    // An item on the home trash's file system goes there or stays, unless
    // it lies on another mount of that file system, where no rename reaches.
    if (error != EXDEV)
        return error;
    return MoveToTopTrash(folderFd, name, path, uid);
}

bool MoveToTrash(const std::string& path)
{
    std::vector<std::string> names = PathNames(path);
    if (names.empty()) {
        errno = EINVAL;
        return false;
    }
    const std::string full = "/" + Joined(names, 0);
    const std::string name = names.back();
    names.pop_back();
    CUniqueFd folder(::open(("/" + Joined(names, 0)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        return false;
    const int error = MoveToTrashAt(folder.Get(), name, full);
    errno = error;
    return error == 0;
}
