#pragma once

#include <QString>

// Whether a text taken from outside (a server's file name) can be used as one
// file name inside a folder of ours: not empty, not "." or "..", no separator
// ("/" or a backslash), no NUL or other control character. Anything else could reach
// outside the folder, and a later recursive removal with it. Blanks, also
// leading or trailing ones, and ":" are allowed.
bool isSafePathComponent(const QString& name);

// Whether a version text may name a folder of the local store: dot-separated
// decimal numbers ("1.16.0.436"), the only form the updater compares, and
// short. Anything else ("logs", "..", "-rf", "1.0/x") is refused before the
// disk is touched.
bool isVersionFolderName(const QString& version);
