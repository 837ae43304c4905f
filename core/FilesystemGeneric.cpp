// The operations FilesystemBase builds on top of the other slots, shared by
// every concrete file system.

#include "core/FilesystemBase.h"

#include "core/Glob.h"

#include <regex>

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

bool isRegexSpecial(char c)
{
    switch (c) {
    case '.': case '+': case '(': case ')': case '^': case '$': case '{': case '}': case '|': case '\\':
    case '*': case '?': case '[': case ']':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string globToRegularExpression(const std::string& pattern)
{
    std::string out;
    out.reserve(pattern.size() * 2);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        // "[\s\S]" is any character: ECMAScript's '.' leaves out line ends,
        // which a file name may hold.
        if (c == '*') {
            out += "[\\s\\S]*";
        } else if (c == '?') {
            out += "[\\s\\S]";
        } else if (c == '[') {
            // A class runs to the first ']' after its first member, so "[]a]"
            // holds ']' and 'a'.
            std::size_t first = i + 1;
            const bool negated = first < pattern.size() && pattern[first] == '!';
            if (negated)
                ++first;
            const std::size_t close = first < pattern.size() ? pattern.find(']', first + 1) : std::string::npos;
            if (close == std::string::npos) {
                out += "\\[";
                continue;
            }
            out += negated ? "[^" : "[";
            for (std::size_t k = first; k < close; ++k) {
                const char m = pattern[k];
                if (m == '\\' || m == ']' || m == '[' || (m == '^' && k == first))
                    out += '\\';
                out += m;
            }
            out += ']';
            i = close;
        } else {
            if (isRegexSpecial(c))
                out += '\\';
            out += c;
        }
    }
    return out;
}

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
    return globRegEx(path, globToRegularExpression(pattern), option);
}

Result<std::vector<DirectoryEntry>> FilesystemBase::globRegEx(const Path& path, const Core::String& expression,
                                                              IterationOption option) const
{
    // An expression the engine rejects throws std::regex_error, as callers of
    // the regular-expression form expect; glob never produces one.
    const std::regex matcher(expression);
    std::vector<DirectoryEntry> found;
    const Core::VoidResult listed = iterate(path, option, [&](const FilesystemBase&, const DirectoryEntry& entry) {
        const Path entryPath(entry.path);
        const Core::string_ref name = entryPath.filename();
        const char* begin = name.data();
        if (std::regex_match(begin, begin + name.size(), matcher))
            found.push_back(entry);
        return true;
    });
    if (!listed.hasValue())
        return Result<std::vector<DirectoryEntry>>::failureFrom(listed);
    return found;
}

} // namespace FS
} // namespace Holmgrave
