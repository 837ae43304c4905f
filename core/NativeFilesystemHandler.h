#pragma once

#include "core/IHandler.h"

namespace Holmgrave {
namespace FS {

class IResolver;

// Makes the native file system reachable under the empty scheme and "file".
// Registers itself on construction and unregisters on destruction; the
// resolver must outlive it.
class NativeFilesystemHandler : public IHandler
{
public:
    explicit NativeFilesystemHandler(IResolver* resolver);
    ~NativeFilesystemHandler() override;

    NativeFilesystemHandler(const NativeFilesystemHandler&) = delete;
    NativeFilesystemHandler& operator=(const NativeFilesystemHandler&) = delete;

    // Always the one native file system; the URI is not looked at.
    Core::Result<FilesystemBase*> filesystem(const Core::URI& uri) override;

private:
    IResolver* m_resolver; // not owned
};

} // namespace FS
} // namespace Holmgrave
