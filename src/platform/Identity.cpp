#include "platform/Identity.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

std::string ComputerName()
{
    char name[260] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return {};
    return name;
}

std::string UserName()
{
    const uid_t uid = geteuid();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size < 1024)
        size = 16384;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::to_string(uid);
    return found->pw_name;
}
