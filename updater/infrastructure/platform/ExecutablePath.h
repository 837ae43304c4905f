#pragma once

#include <QString>

namespace platform {

// The absolute path of the running program's file, whatever the program was
// started as (through PATH, a relative name or a link): on Linux the target
// of /proc/self/exe. Empty when it cannot be told. Usable before the
// application object exists.
QString realExecutablePath();

} // namespace platform
