#pragma once

// Process-level services: the argument list, logging and ending the process.

#include "progresshelper/platform/PlatformServices.h"

#include <QStringList>

namespace Skylarn {

// Copies argv before QApplication may strip the options it knows. Each
// argument keeps its bytes (decodeArgument): the paths in it are file names.
QStringList copyProcessArguments(int argc, char **argv);

// File names are bytes, not text. An argument is decoded as the platform
// decodes file names when that loses nothing; otherwise as UTF-8, each byte
// that is not part of a valid sequence becoming the one character U+DC00 +
// byte, which no valid text holds. pathBytes turns such a text back into the
// very bytes, so a page path that is not valid UTF-8 still names its file.
QString decodeArgument(const QByteArray &bytes);
QByteArray pathBytes(const QString &path);

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
