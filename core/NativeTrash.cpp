// Moving items of the native file system to the user's trash.

#include "core/NativeFilesystem.h"

#include "core/PlatformError.h"
#include "core/platform/linux/Trash.h"

namespace Holmgrave {
namespace FS {

Core::VoidResult NativeFilesystem::moveToTrash(const Core::Path& path) const
{
    return Detail::platformResult(Detail::moveToTrash(path.str()));
}

} // namespace FS
} // namespace Holmgrave
