#pragma once

#include "core/FilesystemBase.h"
#include "core/NonCopyable.h"

#include <cstdint>
#include <memory>

namespace Holmgrave {
namespace FS {

class IStream;

// The platform's own files, addressed by plain paths. Stateless: every
// operation goes straight to the platform, on any thread.
class NativeFilesystem : public FilesystemBase, private Core::NonCopyable
{
public:
    static NativeFilesystem& instance();

    // Fails with code 1, generic category, "unable to open file" when the
    // file cannot be opened in that mode (missing, a folder, no permission,
    // a mode without an fopen row). Buffered streams read and write through
    // a BufferedFileHandle sized from the file's preferred block size.
    Core::Result<std::shared_ptr<IStream>> open(const Core::Path& path, std::uint32_t mode,
                                                bool buffered) const override;

    // Block size for a buffered handle: eight times the preferred I/O block
    // size of the file's file system, 8192 when unknown, at most 16384.
    static std::uint64_t bufferSizeFor(std::uint64_t preferredBlockSize, bool known);

private:
    NativeFilesystem() = default;
};

} // namespace FS
} // namespace Holmgrave
