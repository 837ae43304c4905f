#include "updater/infrastructure/platform/ExecutablePath.h"

#include <QFileInfo>

namespace platform {

QString realExecutablePath()
{
    // argv[0] is whatever the starter chose; the kernel's link is not.
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

} // namespace platform
