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

    Core::Path currentDirectory() const override;
    Core::Path tempDirectory() const override;

    const std::string& invalidNameCharacters() const override;
    bool isValidName(const Core::Path& name) const override;
    Core::Path makeValidName(const Core::Path& name, char replacement) const override;

    Core::Result<Core::Path> canonical(const Core::Path& path) const override;
    Core::Result<FileType> fileType(const Core::Path& path, bool followLinks) const override;
    Core::Result<std::uint64_t> fileSize(const Core::Path& path) const override;
    Core::Result<TimePoint> lastModified(const Core::Path& path) const override;
    Core::Result<bool> exists(const Core::Path& path) const override;
    Core::Result<Core::Path> readSymlink(const Core::Path& path) const override;
    Core::VoidResult iterate(const Core::Path& path, IterationOption option,
                             const IterationCallback& callback) const override;
    Core::Result<std::vector<Core::Path>> volumes() const override;
    Core::Result<VolumeInfo> volumeInfo(const Core::Path& path) const override;
    Core::Result<std::shared_ptr<IMonitor>> createMonitor() const override;
    Core::VoidResult setCurrentDirectory(const Core::Path& path) const override;
    Core::VoidResult createFile(const Core::Path& path) const override;
    Core::VoidResult createDirectory(const Core::Path& path) const override;
    Core::VoidResult createDirectories(const Core::Path& path) const override;
    Core::VoidResult createHardLink(const Core::Path& existing, const Core::Path& newPath) const override;
    Core::Result<Core::Path> createSymlink(const Core::Path& target, const Core::Path& linkPath) const override;
    Core::VoidResult copy(const Core::Path& from, const Core::Path& to) const override;
    Core::VoidResult copyRecursive(const Core::Path& from, const Core::Path& to) const override;
    Core::VoidResult move(const Core::Path& from, const Core::Path& to) const override;
    Core::VoidResult remove(const Core::Path& path) const override;
    Core::VoidResult removeRecursive(const Core::Path& path) const override;
    Core::VoidResult setLastModified(const Core::Path& path, TimePoint time) const override;
    Core::VoidResult moveToTrash(const Core::Path& path) const override;

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
