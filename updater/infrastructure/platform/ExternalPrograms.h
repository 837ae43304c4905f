#pragma once

#include <QtGlobal>

// The outside programs the updater hands work to, per platform it is built
// for. Only this header names them; everything else takes them from here.
namespace platform {
#if defined(Q_OS_MACOS)
// Opens a document with the program the system associates with it: here the
// product installer's package.
constexpr const char* kOpenCommand = "open";
#else
// The freedesktop.org counterpart of "open".
constexpr const char* kOpenCommand = "xdg-open";
#endif
// Info-ZIP's unzip; Debian's "unzip" package installs it here as well.
constexpr const char* kUnzipProgram = "/usr/bin/unzip";
// The interpreter of the component scan's collector script, found through
// the search path (Debian's "ruby" package).
constexpr const char* kRubyProgram = "ruby";
} // namespace platform
