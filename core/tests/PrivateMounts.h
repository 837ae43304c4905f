#pragma once

#include <functional>
#include <string>

namespace Holmgrave {
namespace Test {

struct PrivateMountsRun
{
    bool available = false;  // a mount namespace could be made
    std::string unavailable; // why not, when it could not
    std::string failure;     // what the body reported, or how its process ended; empty when it held
};

// Runs |body| in a child process with a mount namespace of its own, so that
// the bind, tmpfs and read-only mounts it makes reach no other process and
// end with it. Root gets the namespace directly; an ordinary user gets it
// inside a user namespace that maps only the user's own ids, so that files
// keep their owner. |body| returns an empty text when everything held, else
// what did not. Only root is sure to have such namespaces (some systems
// refuse user namespaces).
PrivateMountsRun runWithPrivateMounts(const std::function<std::string()>& body);

// Mounts |source| at |target| (a bind mount), read-only when asked. An empty
// text or what failed.
std::string bindMount(const std::string& source, const std::string& target, bool readOnly);

} // namespace Test
} // namespace Holmgrave
