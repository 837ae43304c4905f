#include "progresshelper/platform/LocalFileTests.h"

#include <QFileInfo>

namespace Skylarn {

bool LocalFileTests::fileExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool LocalFileTests::isReadableFile(const QString &path) const
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isReadable();
}

} // namespace Skylarn
