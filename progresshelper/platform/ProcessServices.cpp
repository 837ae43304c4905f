#include "progresshelper/platform/ProcessServices.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace Skylarn {

QStringList copyProcessArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

void StderrLog::log(const QString &line)
{
    QByteArray bytes = line.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes += '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void ImmediateProcessExit::exitProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

} // namespace Skylarn
