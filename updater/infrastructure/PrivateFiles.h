#pragma once

#include <QString>

// Folders and files that hold what the updater keeps for its user (logs,
// settings, stored copies of itself) must stay the user's alone whatever the
// umask: others could read the logs, or change a setting or a stored program
// that the updater later trusts.

// Makes the folder (missing parents with the usual mode) and gives it mode
// 0700. A folder that already exists, belongs to the user and is not writable
// by others is narrowed to 0700. Anything else at the path (a link, another
// user's folder, a folder anyone could write to and so put things in) is left
// alone. True when the folder exists, is the user's and is 0700 afterwards.
bool makePrivateFolder(const QString& path);

// Narrows an existing file of the user to mode 0600. True when the file is
// the user's and private afterwards; false when it is missing or not ours.
bool makePrivateFile(const QString& path);

// What lies at the path of a file that the updater would read as the user's
// own (settings, the local store's file). Only a regular file (not a link)
// owned by the user that neither group nor others can write is Private; what
// is Foreign must not be opened at all: it may be another user's file, a
// link to one, or a FIFO that would block the open.
enum class UserFileState { Missing, Private, Foreign };
UserFileState userFileState(const QString& path);

// Whether path is a folder (not a link) of the user that neither group nor
// others can write.
bool isPrivateFolderOfUser(const QString& path);

// Where Qt keeps the user-scope INI file of organisation "Pathwarden" and the
// application name given, computed without opening it.
QString userSettingsFilePath(const QString& applicationName);
