#include "platform/Trash.h"

#include <QFile>
#include <QString>
#include <cstdlib>
#include <filesystem>

namespace {

std::string DataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share";
}

} // namespace

std::string HomeTrashFolder()
{
    return DataHome() + "/Trash";
}

bool MoveToTrash(const std::string& path)
{
    // Without the data folder, Qt 6.4 writes files/ and info/ into the
    // current folder instead of a trash.
    std::error_code ec;
    std::filesystem::create_directories(DataHome(), ec);
    return QFile::moveToTrash(QString::fromStdString(path));
}
