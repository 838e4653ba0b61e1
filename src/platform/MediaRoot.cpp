#include "platform/MediaRoot.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

bool IsOctal(char c)
{
    return c >= '0' && c <= '7';
}

// The tables write a blank, tab, newline and backslash as \040, \011, \012, \134.
std::string Unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2])
            && IsOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

// Field number index (0-based, blank-separated) of every line that is not a
// comment and has that many fields.
std::vector<std::string> Column(const std::string& path, int index)
{
    std::vector<std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string field;
        int n = -1;
        while (n < index && fields >> field) {
            if (++n == 0 && field[0] == '#')
                break;
        }
        if (n == index)
            values.push_back(Unescape(field));
    }
    return values;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool Holds(const std::string& mountPoint, const std::string& path)
{
    if (mountPoint.empty() || mountPoint[0] != '/' || mountPoint == "/")
        return false;
    return path.compare(0, mountPoint.size(), mountPoint) == 0
        && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

// /media/<user>/<name> or /run/media/<user>/<name> at the front of path.
std::string DesktopMediaRoot(const std::string& path)
{
    for (const std::string base : { "/media/", "/run/media/" }) {
        if (path.compare(0, base.size(), base) != 0)
            continue;
        const auto user = path.find('/', base.size());
        if (user == std::string::npos || user == base.size())
            continue;
        const auto name = path.find('/', user + 1);
        if (name == user + 1)
            continue;
        return path.substr(0, name);
    }
    return {};
}

} // namespace

CMediaRoot::CMediaRoot(std::string fstabPath, std::string mountInfoPath)
    : m_fstabPath(std::move(fstabPath))
    , m_mountInfoPath(std::move(mountInfoPath))
{
}

std::string CMediaRoot::RootOf(const std::string& path) const
{
    const std::string clean = WithoutTrailingSlashes(path);
    std::string best = DesktopMediaRoot(clean);
    for (std::string mountPoint : Column(m_fstabPath, 1)) {
        mountPoint = WithoutTrailingSlashes(mountPoint);
        if (Holds(mountPoint, clean) && mountPoint.size() > best.size())
            best = mountPoint;
    }
    return best.empty() ? "/" : best;
}

bool CMediaRoot::IsAvailable(const std::string& root) const
{
    if (root == "/")
        return true;
    for (const std::string& mountPoint : Column(m_mountInfoPath, 4)) {
        if (WithoutTrailingSlashes(mountPoint) == root)
            return true;
    }
    return false;
}
