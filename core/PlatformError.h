#pragma once

#include "core/Result.h"

#include <string>
#include <system_error>

namespace Holmgrave {
namespace FS {
namespace Detail {

// A failed platform call reported the way the platform's own error objects
// are: its number in the system category with the system's text for it.
inline Core::Error platformError(int code)
{
    return Core::Error{code, &std::system_category(), std::system_category().message(code)};
}

inline Core::VoidResult platformResult(int code)
{
    return code == 0 ? Core::VoidResult() : Core::VoidResult(platformError(code));
}

} // namespace Detail
} // namespace FS
} // namespace Holmgrave
