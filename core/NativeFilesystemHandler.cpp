#include "core/NativeFilesystemHandler.h"

#include "core/IResolver.h"
#include "core/NativeFilesystem.h"

namespace Holmgrave {
namespace FS {

NativeFilesystemHandler::NativeFilesystemHandler(IResolver* resolver)
    : m_resolver(resolver)
{
    m_resolver->registerHandler(std::string(), this);
    m_resolver->registerHandler("file", this);
}

NativeFilesystemHandler::~NativeFilesystemHandler()
{
    m_resolver->unregisterHandler(this);
}

Core::Result<FilesystemBase*> NativeFilesystemHandler::filesystem(const Core::URI&)
{
    return static_cast<FilesystemBase*>(&NativeFilesystem::instance());
}

} // namespace FS
} // namespace Holmgrave
