#include "updater/infrastructure/DetachedQProcessStarter.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/DetachedProcess.h"

#include <QProcess>

DetachedQProcessStarter::DetachedQProcessStarter(QObject* parent)
    : AbstractDetachedQProcessStarter(parent)
    , logger_(SimpleLogger::getLogger(this))
{
}

bool DetachedQProcessStarter::start(QString program, QStringList arguments)
{
    logger_->debug(QStringLiteral("executable: ") + program + QStringLiteral(" arguemnts : ")
                       + arguments.join(QLatin1Char(',')),
                   QString());
    bool started = false;
    if (arguments.isEmpty()) {
        // The one-string form: the same splitting as the deprecated
        // QProcess::startDetached(QString), without its deprecation.
        QStringList parts = QProcess::splitCommand(program);
        if (!parts.isEmpty()) {
            const QString executable = parts.takeFirst();
            started = platform::startDetachedProcess(executable, parts);
        }
    } else {
        started = platform::startDetachedProcess(program, arguments);
    }
    if (started) {
        logger_->info(QStringLiteral("Update launch successful."),
                      QStringLiteral("Started updated client at path: ") + program);
    } else {
        logger_->error(QStringLiteral("Update launch failed."),
                       QStringLiteral("Couldn't start client at path: ") + program);
    }
    logger_->info(QStringLiteral("Exiting now."), QStringLiteral("BYE BYE!"));
    return started;
}
