#include "platform/XdgPaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An absolute path from the environment, else empty.
std::string AbsoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return value;
}

} // namespace

std::string HomeFolder()
{
    std::string home = AbsoluteFromEnvironment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string XdgConfigHome()
{
    std::string config = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    return config.empty() ? HomeFolder() + "/.config" : config;
}

std::string XdgDataHome()
{
    std::string data = AbsoluteFromEnvironment("XDG_DATA_HOME");
    return data.empty() ? HomeFolder() + "/.local/share" : data;
}

std::string XdgStateHome()
{
    std::string state = AbsoluteFromEnvironment("XDG_STATE_HOME");
    return state.empty() ? HomeFolder() + "/.local/state" : state;
}

int MakeUserFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

std::vector<std::string> XdgDataDirs()
{
    const char* value = std::getenv("XDG_DATA_DIRS");
    const std::string list = value ? value : "";
    std::vector<std::string> dirs;
    std::string::size_type start = 0;
    while (start <= list.size()) {
        const auto end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/')
            dirs.push_back(dir);
        start = end + 1;
    }
    if (dirs.empty())
        dirs = { "/usr/local/share", "/usr/share" };
    return dirs;
}
