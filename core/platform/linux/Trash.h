#pragma once

// The user's trash in the freedesktop.org layout shared by Linux desktops.
//
// An item on the home trash's device goes to the home trash
// ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash); an item on another
// device, or on another mount of the same device (a bind mount, where the
// rename gives EXDEV), goes to the top-folder trash of its own mount point
// ($topdir/.Trash/$uid when the administrator made a sticky, non-link .Trash,
// else $topdir/.Trash-$uid).
// The ".trashinfo" record is written (exclusively, so it also reserves the
// name) before the item is moved, and the move is a rename that never
// replaces anything and never turns into a copy across devices.

#include "core/platform/linux/MountInfo.h"

#include <ctime>
#include <string>

namespace Holmgrave::FS::Detail {

// The ".trashinfo" text: a "[Trash Info]" group with the percent-encoded
// path and the local deletion time as YYYY-MM-DDThh:mm:ss. Pure.
std::string trashInfoText(const std::string& originalPath, std::time_t deletionTime);

// Percent-encodes everything except unreserved characters and '/'.
std::string encodeTrashPath(const std::string& path);

struct TrashSettings {
    std::string homeTrash;                        // empty: from the environment
    std::string mountInfo = "/proc/self/mountinfo";
};

// The home trash folder as the environment names it; empty when neither
// XDG_DATA_HOME nor HOME is an absolute path.
std::string homeTrashFolder();

// Moves |path| into the trash. Returns 0 or an errno (never 0 on failure).
int moveToTrash(const std::string& path, const TrashSettings& settings = TrashSettings());

}  // namespace Holmgrave::FS::Detail
