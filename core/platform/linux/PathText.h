#pragma once

// The small helpers the Linux layer shares: path texts and the errno of a
// failed call. Path functions work on the text alone (no file-system access)
// unless they say otherwise.

#include <string>
#include <string_view>

namespace Holmgrave::FS::Detail {

// The errno of the call that just failed, or EIO when it left none, so that
// a failure is never reported as 0.
int lastError();

// folder + "/" + name, without doubling a slash the folder already ends with.
std::string joinName(const std::string& folder, const std::string& name);

// The path without trailing slashes; "/" stays "/".
std::string withoutTrailingSlashes(std::string path);

// The folder part: "." for a bare name, "/" for an item at the top.
std::string parentOf(const std::string& path);

// The last component, trailing slashes ignored.
std::string baseName(const std::string& path);

// One spelling per place: repeated slashes collapse, "." components and
// trailing slashes go. ".." stays, since a link may stand before it.
std::string tidyPath(const std::string& path);

// True when |path| is |folder| or lies below it (on a component boundary).
bool isSameOrInside(std::string_view path, std::string_view folder);

bool startsWith(std::string_view text, std::string_view prefix);

// realpath(3): the absolute path with every link resolved, or empty (with
// errno set) when a component cannot be resolved. Reads the file system.
std::string realPath(const std::string& path);

}  // namespace Holmgrave::FS::Detail
