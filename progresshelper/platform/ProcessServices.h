#pragma once

// Process-level services: the argument list, logging and ending the process.

#include "progresshelper/platform/PlatformServices.h"

#include <QStringList>

namespace Skylarn {

// Copies argv before QApplication may strip the options it knows.
QStringList copyProcessArguments(int argc, char **argv);

// One line per entry on standard error.
class StderrLog : public ILog {
public:
    void log(const QString &line) override;
};

// Ends the process at once, as the caller reads only the status: no event
// loop or window teardown runs after the answer has been decided.
class ImmediateProcessExit : public IProcessExit {
public:
    [[noreturn]] void exitProcess(int status) override;
};

} // namespace Skylarn
