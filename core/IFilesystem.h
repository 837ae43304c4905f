#pragma once

#include "core/FileTypes.h"
#include "core/FilesystemBase.h"
#include "core/Result.h"
#include "core/String.h"
#include "core/URI.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Holmgrave {
namespace FS {

class IStream;

// The URI-level facade through which programs reach files. Each operation
// resolves the URI's scheme and forwards the URI's path to that file
// system's operation of the same name. An unknown scheme fails every
// operation with code 1, generic category, "no filesystem registered to
// handle URI", and nothing is called on any file system. No operation locks.
class IFilesystem
{
public:
    virtual ~IFilesystem() = default;

    virtual Core::Result<Core::URI> absolute(const Core::URI& uri) = 0;
    virtual Core::Result<Core::URI> canonical(const Core::URI& uri) = 0;
    virtual Core::Result<FileType> fileType(const Core::URI& uri, bool followLinks) = 0;
    virtual Core::Result<std::uint64_t> fileSize(const Core::URI& uri) = 0;
    virtual Core::Result<TimePoint> lastModified(const Core::URI& uri) = 0;
    virtual Core::Result<bool> exists(const Core::URI& uri) = 0;
    virtual Core::Result<bool> isRegularFile(const Core::URI& uri) = 0;
    virtual Core::Result<bool> isDirectory(const Core::URI& uri) = 0;
    virtual Core::Result<bool> isSymlink(const Core::URI& uri) = 0;
    virtual Core::Result<bool> isOther(const Core::URI& uri) = 0;
    virtual Core::Result<bool> isEmpty(const Core::URI& uri) = 0;
    virtual Core::Result<Core::Path> readSymlink(const Core::URI& uri) = 0;
    virtual Core::VoidResult iterate(const Core::URI& uri, IterationOption option,
                                     const IterationCallback& callback) = 0;
    virtual Core::Result<std::vector<DirectoryEntry>> glob(const Core::URI& uri, const Core::String& pattern,
                                                           IterationOption option) = 0;
    virtual Core::Result<std::vector<DirectoryEntry>> globRegEx(const Core::URI& uri, const Core::String& expression,
                                                                IterationOption option) = 0;
    virtual Core::Result<VolumeInfo> volumeInfo(const Core::URI& uri) = 0;
    virtual Core::VoidResult setCurrentDirectory(const Core::URI& uri) = 0;
    virtual Core::VoidResult createFile(const Core::URI& uri) = 0;
    virtual Core::Result<std::shared_ptr<IStream>> open(const Core::URI& uri, std::uint32_t mode, bool buffered) = 0;
    virtual Core::VoidResult createDirectory(const Core::URI& uri) = 0;
    virtual Core::VoidResult createDirectories(const Core::URI& uri) = 0;
    // Operations with two URIs run on the first URI's file system; the second
    // must resolve too but its file system is not used otherwise.
    virtual Core::VoidResult createHardLink(const Core::URI& existing, const Core::URI& newUri) = 0;
    virtual Core::Result<Core::URI> createSymlink(const Core::URI& target, const Core::URI& link) = 0;
    virtual Core::VoidResult copy(const Core::URI& from, const Core::URI& to) = 0;
    virtual Core::VoidResult copyRecursive(const Core::URI& from, const Core::URI& to) = 0;
    virtual Core::VoidResult move(const Core::URI& from, const Core::URI& to) = 0;
    virtual Core::VoidResult remove(const Core::URI& uri) = 0;
    virtual Core::VoidResult removeRecursive(const Core::URI& uri) = 0;
    virtual Core::VoidResult setLastModified(const Core::URI& uri, TimePoint time) = 0;
    virtual Core::VoidResult moveToTrash(const Core::URI& uri) = 0;
};

// The process-wide facade, made on first use and destroyed at exit.
IFilesystem* getFilesystem();

} // namespace FS
} // namespace Holmgrave
