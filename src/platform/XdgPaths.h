#pragma once

#include <string>
#include <vector>

// Per-user and machine-wide folders of the freedesktop base directory rules.
// They follow HOME and the XDG_* variables at every call, so a test that
// points them at a scratch home never touches the real user's files.

// The user's home folder: HOME, else the password database entry.
std::string HomeFolder();

// $XDG_CONFIG_HOME, else ~/.config. A relative value is ignored, as the
// base directory rules require.
std::string XdgConfigHome();

// $XDG_DATA_HOME, else ~/.local/share.
std::string XdgDataHome();

// $XDG_STATE_HOME, else ~/.local/state.
std::string XdgStateHome();

// Makes path and its missing parents with mode 0700, as the base directory
// rules ask; 0, or the errno of the folder that could not be made.
int MakeUserFolders(const std::string& path);

// $XDG_DATA_DIRS split at ':', else /usr/local/share and /usr/share.
std::vector<std::string> XdgDataDirs();
