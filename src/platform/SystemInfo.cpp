#include "platform/SystemInfo.h"

#include "platform/fs/ItemAt.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

bool LookupUser(std::string* name, std::string* home)
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    if (name)
        *name = found->pw_name ? found->pw_name : "";
    if (home)
        *home = found->pw_dir ? found->pw_dir : "";
    return true;
}

} // namespace

std::string CSystemInfo::ComputerName()
{
    char name[1024] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return {};
    return name;
}

std::string CSystemInfo::UserName()
{
    std::string name;
    LookupUser(&name, nullptr);
    return name;
}

std::string CSystemInfo::HomeFolder()
{
    std::string home;
    if (Environment("HOME", home) && !home.empty())
        return home;
    home.clear();
    LookupUser(nullptr, &home);
    return home;
}

bool CSystemInfo::Environment(const std::string& name, std::string& value)
{
    const char* found = std::getenv(name.c_str());
    if (!found)
        return false;
    value = found;
    return true;
}

std::string CSystemInfo::TempPath()
{
    std::string path;
    if (Environment("TMPDIR", path) && !path.empty())
        return path;
    return "/tmp";
}

bool CSystemInfo::ErrorText(int code, std::string& text)
{
    if (code == kItemChanged) {
        text = "Changed since it was scanned (a link or another kind of item took its place); left alone";
        return true;
    }
    if (code == kSkippedSpecial) {
        text = "A socket, or a device node this user may not make, cannot be copied; skipped";
        return true;
    }
    if (code == kChangedDuringCopy) {
        text = "Changed during copy";
        return true;
    }
    // strerrordesc_np says "no text" for unknown codes instead of inventing one.
    const char* description = strerrordesc_np(code);
    if (!description)
        return false;
    text = description;
    return true;
}
