#pragma once

#include "core/Result.h"
#include "core/URI.h"

namespace Holmgrave {
namespace FS {

class FilesystemBase;

// Serves one or more URI schemes.
class IHandler
{
public:
    virtual ~IHandler() = default;
    virtual Core::Result<FilesystemBase*> filesystem(const Core::URI& uri) = 0;
};

} // namespace FS
} // namespace Holmgrave
