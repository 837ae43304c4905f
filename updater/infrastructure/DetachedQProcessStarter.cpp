#include "updater/infrastructure/DetachedQProcessStarter.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/DetachedProcess.h"

#include <QProcess>

#include <cerrno>
#include <cstring>

DetachedQProcessStarter::DetachedQProcessStarter(QObject* parent)
    : AbstractDetachedQProcessStarter(parent)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString DetachedQProcessStarter::startProblem() const
{
    return startProblem_;
}

bool DetachedQProcessStarter::start(QString program, QStringList arguments)
{
    logger_->debug(QStringLiteral("executable: ") + program + QStringLiteral(" arguemnts : ")
                       + arguments.join(QLatin1Char(',')),
                   QString());
    bool started = false;
    int error = ENOENT;
    QString executable = program;
    if (arguments.isEmpty()) {
        // The one-string form: the same splitting as the deprecated
        // QProcess::startDetached(QString), without its deprecation.
        QStringList parts = QProcess::splitCommand(program);
        if (!parts.isEmpty()) {
            executable = parts.takeFirst();
            started = platform::startDetachedProcess(executable, parts, &error);
        }
    } else {
        started = platform::startDetachedProcess(program, arguments, &error);
    }
    startProblem_.clear();
    if (started) {
        logger_->info(QStringLiteral("Update launch successful."),
                      QStringLiteral("Started updated client at path: ") + program);
    } else {
        // exec's own cause (a folder mounted noexec, a file that is no
        // program): the path alone would not say why.
        startProblem_ = executable + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
        logger_->error(QStringLiteral("Update launch failed."),
                       QStringLiteral("Couldn't start client at path: ") + startProblem_);
    }
    logger_->info(QStringLiteral("Exiting now."), QStringLiteral("BYE BYE!"));
    return started;
}
