#pragma once

#include <string>

// The freedesktop trash. An item on the file system of the home trash goes
// there; an item on another file system goes to the trash at the top folder
// of its mount: $topdir/.Trash/$uid when .Trash is a real folder with the
// sticky bit, else $topdir/.Trash-$uid. A run as root may work over folders
// other users can write, so every trash folder is opened by handle without
// following links and used only when it belongs to the user; where none
// qualifies the item stays where it is.

// Moves name, inside the folder open as folderFd, to the trash. path is the
// item's full path, written to the item's .trashinfo file. 0 or an errno.
int MoveToTrashAt(int folderFd, const std::string& name, const std::string& path);

// MoveToTrashAt on the last name of path, through its folder. False with
// errno set when the item was not moved.
bool MoveToTrash(const std::string& path);

// The trash folder of the home trash ($XDG_DATA_HOME/Trash).
std::string HomeTrashFolder();
