#pragma once

#include "core/FileTypes.h"
#include "core/Path.h"
#include "core/Result.h"
#include "core/String.h"
#include "core/URI.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Holmgrave {
namespace FS {

class IStream;
class IMonitor;

using TimePoint = std::chrono::system_clock::time_point;

// The path-level interface of one concrete file system. Every operation is
// const and callable from any thread; none takes a lock.
//
// The base class gives each platform operation a default that reports
// Error::notSupported() (or an empty value where the operation has no
// Result), so a file system overrides only what it provides.
class FilesystemBase
{
public:
    virtual ~FilesystemBase() = default;

    virtual Core::URI makeURI(const Core::Path& path) const;

    virtual Core::Path currentDirectory() const;
    virtual Core::Path tempDirectory() const;

    virtual const std::string& invalidNameCharacters() const;
    virtual bool isValidName(const Core::Path& name) const;
    virtual Core::Path makeValidName(const Core::Path& name, char replacement) const;

    // A rooted path unchanged; otherwise currentDirectory() with the path appended.
    virtual Core::Path absolute(const Core::Path& path) const;
    virtual Core::Result<Core::Path> canonical(const Core::Path& path) const;
    virtual Core::Result<FileType> fileType(const Core::Path& path, bool followLinks) const;
    virtual Core::Result<std::uint64_t> fileSize(const Core::Path& path) const;
    virtual Core::Result<TimePoint> lastModified(const Core::Path& path) const;
    virtual Core::Result<bool> exists(const Core::Path& path) const;
    virtual Core::Result<bool> isRegularFile(const Core::Path& path) const;
    virtual Core::Result<bool> isDirectory(const Core::Path& path) const;
    virtual Core::Result<bool> isSymlink(const Core::Path& path) const;
    virtual Core::Result<bool> isOther(const Core::Path& path) const;
    virtual Core::Result<bool> isEmpty(const Core::Path& path) const;
    virtual Core::Result<Core::Path> readSymlink(const Core::Path& path) const;
    virtual Core::VoidResult iterate(const Core::Path& path, IterationOption option,
                                     const IterationCallback& callback) const;
    // The entries whose names match a glob pattern (GlobPattern, Glob.h); an
    // invalid pattern fails with EINVAL (generic category) and the reason,
    // before anything is listed. Never throws.
    virtual Core::Result<std::vector<DirectoryEntry>> glob(const Core::Path& path, const Core::String& pattern,
                                                           IterationOption option) const;
    // The same with a regular expression (ECMAScript), which must match the
    // whole name; one the engine rejects throws std::regex_error.
    virtual Core::Result<std::vector<DirectoryEntry>> globRegEx(const Core::Path& path,
                                                                const Core::String& expression,
                                                                IterationOption option) const;
    virtual Core::Result<std::vector<Core::Path>> volumes() const;
    virtual Core::Result<VolumeInfo> volumeInfo(const Core::Path& path) const;
    virtual Core::Result<std::shared_ptr<IMonitor>> createMonitor() const;
    virtual Core::VoidResult setCurrentDirectory(const Core::Path& path) const;
    virtual Core::VoidResult createFile(const Core::Path& path) const;
    virtual Core::Result<std::shared_ptr<IStream>> open(const Core::Path& path, std::uint32_t mode,
                                                        bool buffered) const;
    virtual Core::VoidResult createDirectory(const Core::Path& path) const;
    virtual Core::VoidResult createDirectories(const Core::Path& path) const;
    virtual Core::VoidResult createHardLink(const Core::Path& existing, const Core::Path& newPath) const;
    // Succeeds with the link's own path.
    virtual Core::Result<Core::Path> createSymlink(const Core::Path& target, const Core::Path& linkPath) const;
    virtual Core::VoidResult copy(const Core::Path& from, const Core::Path& to) const;
    virtual Core::VoidResult copyRecursive(const Core::Path& from, const Core::Path& to) const;
    virtual Core::VoidResult move(const Core::Path& from, const Core::Path& to) const;
    virtual Core::VoidResult remove(const Core::Path& path) const;
    virtual Core::VoidResult removeRecursive(const Core::Path& path) const;
    virtual Core::VoidResult setLastModified(const Core::Path& path, TimePoint time) const;
    virtual Core::VoidResult moveToTrash(const Core::Path& path) const;
};

} // namespace FS
} // namespace Holmgrave
