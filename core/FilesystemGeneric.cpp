// The operations FilesystemBase builds on top of the other slots, shared by
// every concrete file system.

#include "core/FilesystemBase.h"

#include "core/Glob.h"

#include <cerrno>
#include <regex>
#include <system_error>

namespace Holmgrave {
namespace FS {

using Core::Path;
using Core::Result;

namespace {

Result<bool> typeIs(const Result<FileType>& type, FileType wanted)
{
    if (!type.hasValue())
        return Result<bool>::failureFrom(type);
    return type.value() == wanted;
}

// The entries of a listing whose names |matches| accepts.
template<typename Matches>
Result<std::vector<DirectoryEntry>> entriesNamed(const FilesystemBase& filesystem, const Path& path,
                                                 IterationOption option, const Matches& matches)
{
    std::vector<DirectoryEntry> found;
    const Core::VoidResult listed
        = filesystem.iterate(path, option, [&](const FilesystemBase&, const DirectoryEntry& entry) {
              const Path entryPath(entry.path);
              if (matches(entryPath.filename()))
                  found.push_back(entry);
              return true;
          });
    if (!listed.hasValue())
        return Result<std::vector<DirectoryEntry>>::failureFrom(listed);
    return found;
}

} // namespace

Result<bool> FilesystemBase::isRegularFile(const Path& path) const
{
    return typeIs(fileType(path, true), FileType::regular);
}

Result<bool> FilesystemBase::isDirectory(const Path& path) const
{
    return typeIs(fileType(path, true), FileType::directory);
}

Result<bool> FilesystemBase::isSymlink(const Path& path) const
{
    return typeIs(fileType(path, false), FileType::symlink);
}

Result<bool> FilesystemBase::isOther(const Path& path) const
{
    const Result<bool> present = exists(path);
    if (!present.hasValue() || !present.value())
        return present;
    const Result<FileType> type = fileType(path, true);
    if (!type.hasValue())
        return Result<bool>::failureFrom(type);
    const FileType t = type.value();
    return t != FileType::regular && t != FileType::directory && t != FileType::symlink;
}

Result<bool> FilesystemBase::isEmpty(const Path& path) const
{
    const Result<bool> folder = isDirectory(path);
    if (!folder.hasValue())
        return folder;
    if (folder.value()) {
        bool empty = true;
        const Core::VoidResult listed = iterate(path, IterationOption(0), [&empty](const FilesystemBase&,
                                                                                   const DirectoryEntry&) {
            empty = false;
            return false;
        });
        // A folder that cannot be listed is not known to be empty.
        if (!listed.hasValue())
            return Result<bool>::failureFrom(listed);
        return empty;
    }
    const Result<std::uint64_t> size = fileSize(path);
    if (!size.hasValue())
        return Result<bool>::failureFrom(size);
    return size.value() == 0;
}

Result<std::vector<DirectoryEntry>> FilesystemBase::glob(const Path& path, const Core::String& pattern,
                                                         IterationOption option) const
{
    const GlobPattern matcher(pattern);
    if (!matcher.valid()) {
        return Core::Error{EINVAL, &std::generic_category(),
                           "invalid glob pattern \"" + pattern + "\": " + matcher.error()};
    }
    return entriesNamed(*this, path, option, [&](Core::string_ref name) { return matcher.matches(name); });
}

Result<std::vector<DirectoryEntry>> FilesystemBase::globRegEx(const Path& path, const Core::String& expression,
                                                              IterationOption option) const
{
    // An expression the engine rejects throws std::regex_error, as callers of
    // the regular-expression form expect.
    const std::regex matcher(expression);
    return entriesNamed(*this, path, option, [&](Core::string_ref name) {
        return std::regex_match(name.begin(), name.end(), matcher);
    });
}

} // namespace FS
} // namespace Holmgrave
