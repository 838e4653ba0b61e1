#pragma once

#include "app/ShellIntegration.h"
#include "platform/MyRegistry.h"
#include "platform/XdgPaths.h"

#include <QSettings>
#include <QString>
#include <cstdio>
#include <filesystem>

// Removes what the settings store and the desktop registrations leave in the
// scratch home, so each test starts as on a fresh account.
inline void WipeSettingsAndRegistrations()
{
    // Clearing through QSettings also empties the in-process cache of the file.
    QSettings(QString::fromStdString(CMyRegistry::FilePath()), QSettings::IniFormat).clear();
    std::remove(CMyRegistry::FilePath().c_str());
    std::error_code ec;
    std::filesystem::remove(CShellIntegration::UserMimeAppsListPath(), ec);
    std::filesystem::remove_all(XdgConfigHome() + "/autostart", ec);
    std::filesystem::remove_all(XdgDataHome() + "/applications", ec);
    std::filesystem::remove_all(XdgDataHome() + "/mime", ec);
}
