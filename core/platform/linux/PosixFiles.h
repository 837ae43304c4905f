#pragma once

// The native file operations as POSIX calls.
//
// Every function returns 0 on success or the errno of the failure (never 0
// for a failure). Paths are plain byte strings. The guarantees callers rely on:
// - copy, move and removal act on the item a path names, a link included:
//   "link/" is the link, never the folder it leads to;
// - copy, move and link never replace an existing target (EEXIST instead);
// - a move across devices copies and then removes: the source goes only after
//   the copy is complete, and a source that cannot go (its folder cannot be
//   written) takes the copy back with it; once part of it is gone, the copy
//   stays as the only whole item;
// - copies keep permission bits, modification times and holes, and copy
//   symbolic links as links;
// - a failed copy removes what it made, so no partial target remains;
// - recursive copy and removal walk open folder descriptors, a bounded set
//   whatever the depth, never follow a symbolic link out of the tree they
//   were given, and stop (ESTALE) where the tree is moved under them.

#include <cstdint>
#include <ctime>
#include <string>

namespace Holmgrave::FS::Detail {

// File type values shared with the library's FileType.
enum class PosixFileType : std::uint32_t {
    none = 0, regular = 1, directory = 2, symlink = 3, block = 4, character = 5, socket = 6, unknown = 8
};

std::string posixCurrentDirectory();       // empty when it cannot be read
std::string posixTempDirectory();          // $TMPDIR when absolute, else "/tmp/"; ends with '/'
// Never fails: an absolute path (a relative one is taken from the current
// folder) whose longest existing part has every link resolved; the missing
// rest follows as given, without "." and with ".." taking back a component.
std::string posixCanonical(const std::string& path);

// A named pipe has no type of its own in the library's set: none.
int posixFileType(const std::string& path, bool followLinks, PosixFileType& type);
int posixFileSize(const std::string& path, std::uint64_t& size);          // follows links
int posixLastModified(const std::string& path, std::time_t& seconds);     // follows links
bool posixExists(const std::string& path);                                // follows links
int posixReadSymlink(const std::string& path, std::string& target);

int posixSetCurrentDirectory(const std::string& path);
// An empty file at |path|. An existing name is replaced, never what it leads
// to: a link's target and the other names of a hard-linked file keep their
// content (a file with one name is emptied in place, keeping its owner and
// permissions). A folder is refused (EISDIR).
int posixCreateFile(const std::string& path);
int posixCreateDirectory(const std::string& path, bool intermediates);
int posixCreateHardLink(const std::string& existing, const std::string& newPath);
int posixCreateSymlink(const std::string& target, const std::string& linkPath);
// A non-recursive copy of a folder makes the folder without its contents.
int posixCopy(const std::string& from, const std::string& to, bool recursive);
int posixMove(const std::string& from, const std::string& to);
// A non-recursive removal of a folder with contents fails (ENOTEMPTY).
int posixRemove(const std::string& path, bool recursive);
int posixSetLastModified(const std::string& path, std::time_t seconds);

// Renames without replacing; EXDEV when the two lie on different devices.
// Used by the trash, which must never fall back to copying.
int posixRenameNoReplace(const std::string& from, const std::string& to);

}  // namespace Holmgrave::FS::Detail
