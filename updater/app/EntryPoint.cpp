#include "updater/app/EntryPoint.h"

#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/FileLogAppender.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Notice {
    char text[96];
    size_t length;
};

// Filled before the handler is installed; the handler only reads them.
Notice abortNotice{};
Notice segvNotice{};
char crashLogPath[4096] = {};

void prepareNotice(Notice& notice, int signal)
{
    const int written = std::snprintf(notice.text, sizeof notice.text,
                                      "Pathwarden: signal caught (%i). Trying to exit gracefully... \n", signal);
    notice.length = written > 0 ? static_cast<size_t>(written) : 0;
}

void writeAll(int fd, const char* text, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void signalHandler(int signal)
{
    const Notice* notice = signal == SIGABRT ? &abortNotice : signal == SIGSEGV ? &segvNotice : nullptr;
    if (notice) {
        writeAll(STDOUT_FILENO, notice->text, notice->length);
        if (crashLogPath[0] != '\0') {
            // As for the log file: no link followed, no FIFO waited on, only
            // a regular file of ours written (all async-signal-safe calls).
            const int fd =
                ::open(crashLogPath, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
            if (fd >= 0) {
                struct stat info {};
                if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
                    writeAll(fd, notice->text, notice->length);
                ::close(fd);
            }
        }
    }
    ::_exit(signal);
}

void installCrashHandler()
{
    prepareNotice(abortNotice, SIGABRT);
    prepareNotice(segvNotice, SIGSEGV);
    const QByteArray path = QFile::encodeName(FileLogAppender::getAndCreateLogFilePath(QStringLiteral("crash.log")));
    if (static_cast<size_t>(path.size()) < sizeof crashLogPath)
        std::memcpy(crashLogPath, path.constData(), static_cast<size_t>(path.size()) + 1);

    struct sigaction action {};
    action.sa_handler = signalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGABRT, &action, nullptr);
    sigaction(SIGSEGV, &action, nullptr);
}

void adjustLibraryPaths(const QString& realExecutablePath)
{
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("main"));
    if (!realExecutablePath.isEmpty()) {
        QDir folder(realExecutablePath);
        if (folder.cdUp() && folder.cdUp() && folder.cd(QStringLiteral("PlugIns"))) {
            QCoreApplication::setLibraryPaths(QStringList{folder.absolutePath()});
            logger->debug(QStringLiteral("Qt plug-ins are loaded from ") + folder.absolutePath(), QString());
            return;
        }
    }
#if defined(Q_OS_MACOS)
    logger->error(QStringLiteral("Failed to adjust Library search paths. Application loading should fail now."),
                  QString());
#else
    logger->debug(QStringLiteral("No application bundle around ") + realExecutablePath
                      + QStringLiteral(": Qt plug-ins are loaded from Qt's own folder ")
                      + QLibraryInfo::location(QLibraryInfo::PluginsPath),
                  QString());
#endif
}

int runProfile(const std::function<int()>& run, Logger* logger)
{
    try {
        return run();
    } catch (const QString& text) {
        logger->error(QStringLiteral("General exception caught. "), text);
    } catch (...) {
        logger->error(QStringLiteral("Unknown exception caught."), QString());
    }
    return -1;
}

bool endApplication()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return true;
    if (QThreadPool::globalInstance()->activeThreadCount() > 0)
        return false;
    delete application;
    return true;
}

int endRun(int result, int waitMs, const QList<LogAppender*>& outputs, Logger* logger)
{
    // No remote post may start from here on; the lines of the end stay local.
    endRemoteLogging();
    logger->debug(QStringLiteral("application is closing... (exit code: %1)").arg(result), QString());
    QThreadPool* pool = QThreadPool::globalInstance();
    const bool idle = !pool || finishBackgroundCalls(pool, {}, waitMs, logger);
    const RemoteLogTally tally = remoteLogTally();
    // Entries still being posted now are lost with the process.
    const int dropped = tally.dropped + tally.pending;
    if (tally.sent + dropped > 0) {
        const QString line = QStringLiteral("Remote log entries: %1 sent, %2 dropped.").arg(tally.sent).arg(dropped);
        if (dropped > 0)
            logger->error(line, QString());
        else
            logger->info(line, QString());
    }
    if (idle && endApplication())
        return result;
    logger->error(QStringLiteral("Background work still runs at the end; the process ends without destroying its "
                                 "static objects."),
                  QStringLiteral("Active threads: %1")
                      .arg((pool ? pool->activeThreadCount() : 0) + remoteLogPool()->activeThreadCount()));
    for (LogAppender* output : outputs)
        SimpleLogger::getInstance()->removeAppenderSlot(output);
    std::fflush(nullptr);
    std::quick_exit(result);
}
