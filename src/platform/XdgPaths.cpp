#include "platform/XdgPaths.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
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
