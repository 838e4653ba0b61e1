#include "platform/ProgramInfo.h"

#include <climits>
#include <cstdio>
#include <sys/utsname.h>
#include <unistd.h>

std::string ExecutablePath(const std::string& fallback)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return fallback;
    std::string path(buffer, static_cast<size_t>(length));
    // A program file replaced while running (a package upgrade) reads as
    // "<path> (deleted)"; the path is still where the program lives.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

bool KernelVersion(int& major, int& minor)
{
    utsname name {};
    if (::uname(&name) != 0)
        return false;
    int first = 0;
    int second = 0;
    if (std::sscanf(name.release, "%d.%d", &first, &second) != 2)
        return false;
    major = first;
    minor = second;
    return true;
}
