#pragma once

// The player's settings store: QSettings in INI format, user scope, named by
// the application's organisation ("Holmgrave") and application ("Glasswell")
// names, which main sets before anything opens the store.
//
// There is no shared settings object: every reader or writer opens its own,
// on the spot, and lets it go when done (the write reaches the store then).
// Keys: "mainWindowGeometry", "header", and the two dialog folders
// defaultLoadDirKey / defaultExportDirKey of Constants.h.
// GUI thread only.

#include <memory>

class QSettings;
class QString;

// Opens the player's settings store as described above.
std::unique_ptr<QSettings> openPlayerSettings();

// Remembers the folder that holds path (a chosen image folder or a chosen
// target file) under key, so that the next dialog starts there. An empty path
// (a cancelled dialog) or a path without an enterable parent writes nothing.
void storeParentDirectory(const QString& path, QSettings& settings, const QString& key);
