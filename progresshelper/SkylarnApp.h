#pragma once

#include <functional>

namespace Skylarn {

class QtPlatform;

// Builds the application, runs the mode the command line asks for and
// returns the status of the event loop (progress modes only; the other modes
// end the process themselves). customize may replace single services of the
// platform before the controller starts.
int runSkylarn(int argc, char **argv, const std::function<void(QtPlatform &)> &customize = {});

} // namespace Skylarn
