#pragma once

#include "core/Path.h"
#include "core/Result.h"
#include "core/URI.h"

#include <string>

namespace Holmgrave {
namespace FS {

class FilesystemBase;
class IHandler;

// Maps URI schemes (compared byte-wise, so case-sensitive) to handlers. The
// resolver does not own its handlers. Registration happens during the first
// getResolver() call; afterwards the map is only read, without a lock.
class IResolver
{
public:
    virtual ~IResolver() = default;

    // Fails with code 1, generic category, "no filesystem registered to handle
    // URI" when no handler serves the scheme.
    virtual Core::Result<FilesystemBase*> resolve(const Core::URI& uri) = 0;
    virtual Core::Result<FilesystemBase*> resolve(const Core::Path& path) = 0;
    // As resolve, with a failure turned into nullptr.
    virtual FilesystemBase* findFilesystem(const Core::URI& uri) = 0;
    // The file system of the empty scheme, or nullptr.
    virtual FilesystemBase* defaultFilesystem() = 0;

    virtual void registerHandler(const std::string& scheme, IHandler* handler) = 0;
    virtual void unregisterScheme(const std::string& scheme) = 0;
    virtual void unregisterHandler(IHandler* handler) = 0;
};

// The process-wide resolver. Its first call also creates the native handler,
// which registers itself for "" and "file".
IResolver* getResolver();

} // namespace FS
} // namespace Holmgrave
