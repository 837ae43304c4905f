#pragma once

#include <QString>

// The target platforms the update server knows. Handed across interfaces as a
// plain int; 3 means the platform is not known yet.
enum PlatformIdentifier {
    OSX = 0,
    WIN32 = 1,
    WIN64 = 2,
    PLATFORM_NONE = 3,
};

// The wire text of a platform ("osx", "win32", "win64"): the server's
// "platform" query value and the installer-information file's entry.
// Throws the QString "not implemented yet" for any other value, which only
// the entry point catches.
QString platformName(PlatformIdentifier platform);

int platformIdentifierValue(PlatformIdentifier platform);
