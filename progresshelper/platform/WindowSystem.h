#pragma once

// Starting the GUI application object where there may be no window system.

#include <memory>

class QApplication;

namespace Skylarn {

// Builds the QApplication. Where no window system can be reached (no
// display, no usable platform plug-in) Qt ends the process with abort(),
// which the calling installer sees as a crash: instead this logs why, in one
// line after Qt's own, and ends the process with status 1. argc and argv
// must outlive the application object.
std::unique_ptr<QApplication> startWindowedApplication(int &argc, char **argv);

} // namespace Skylarn
