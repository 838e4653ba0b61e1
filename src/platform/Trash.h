#pragma once

#include <string>

// Moves a file or folder to the user's freedesktop trash (the home trash,
// or the trash at the top of another file system). False when it could not.
bool MoveToTrash(const std::string& path);

// The trash folder of the home trash ($XDG_DATA_HOME/Trash).
std::string HomeTrashFolder();
