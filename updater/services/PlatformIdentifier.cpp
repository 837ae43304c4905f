#include "updater/services/PlatformIdentifier.h"

QString platformName(PlatformIdentifier platform)
{
    switch (platform) {
    case OSX: return QStringLiteral("osx");
    case WIN32: return QStringLiteral("win32");
    case WIN64: return QStringLiteral("win64");
    case PLATFORM_NONE: break;
    }
    throw QStringLiteral("not implemented yet");
}

int platformIdentifierValue(PlatformIdentifier platform)
{
    return static_cast<int>(platform);
}
