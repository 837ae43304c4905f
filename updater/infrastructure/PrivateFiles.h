#pragma once

#include <QString>

// Folders and files that hold what the updater keeps for its user (logs,
// settings, stored copies of itself) must stay the user's alone whatever the
// umask: others could read the logs, or change a setting or a stored program
// that the updater later trusts.

// Makes the folder (missing parents with the usual mode) and gives it mode
// 0700. A folder that already exists and belongs to the user is narrowed to
// 0700; anything else at the path (a link, another user's folder) is left
// alone. True when the folder exists, is the user's and is 0700 afterwards.
bool makePrivateFolder(const QString& path);

// Narrows an existing file of the user to mode 0600. True when the file is
// the user's and private afterwards; false when it is missing or not ours.
bool makePrivateFile(const QString& path);
