#pragma once

#include <functional>

namespace Skylarn {

class QtPlatform;

// Builds the application, runs the mode the command line asks for and
// returns the status of the event loop (progress modes only; the other modes
// end the process themselves). customize may replace single services of the
// platform before the controller starts. The usage run and opening the page
// with the notice suppressed need no display; where a run that may show a
// window finds none, it ends with a message and status 1.
int runSkylarn(int argc, char **argv, const std::function<void(QtPlatform &)> &customize = {});

} // namespace Skylarn
