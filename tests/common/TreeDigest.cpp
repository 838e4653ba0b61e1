#include "common/TreeDigest.h"

#include "common/TempDir.h"

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

std::map<std::string, std::string> TreeDigest(const std::string& root)
{
    std::map<std::string, std::string> digest;
    const auto add = [&](const std::string& path, const std::string& rel) {
        struct stat st { };
        if (::lstat(path.c_str(), &st) != 0) {
            digest[rel] = "unreadable";
            return;
        }
        std::string line = S_ISDIR(st.st_mode) ? "d" : S_ISLNK(st.st_mode) ? "l" : S_ISREG(st.st_mode) ? "f" : "?";
        line += " " + std::to_string(st.st_mode & 07777) + " " + std::to_string(st.st_size) + " "
            + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        if (S_ISLNK(st.st_mode))
            line += " -> " + fs::read_symlink(path).string();
        else if (S_ISREG(st.st_mode))
            line += " #" + std::to_string(std::hash<std::string> {}(TempDir::Read(path)));
        digest[rel] = line;
    };
    add(root, ".");
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
        add(it->path().string(), it->path().string().substr(root.size() + 1));
    return digest;
}
