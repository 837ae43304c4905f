#include "updater/services/SelfUpdateLauncher.h"

#include "updater/infrastructure/AbstractDetachedQProcessStarter.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/ExecutablePath.h"
#include "updater/services/LocalStorage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <utility>

namespace {

int versionPart(const QString& part)
{
    bool ok = false;
    const int value = part.toInt(&ok, 10);
    return ok ? value : -1;
}

} // namespace

SelfUpdateLauncher::SelfUpdateLauncher(AbstractDetachedQProcessStarter* processStarter, LocalStorage* localStorage,
                                       QString originalInstallerPath, QObject* parent)
    : AbstractUpdateLauncher(parent)
    , logger_(SimpleLogger::getLogger(this))
    , processStarter_(processStarter)
    , localStorage_(localStorage)
    , originalInstallerPath_(std::move(originalInstallerPath))
{
}

bool SelfUpdateLauncher::launchLatestIfNewer()
{
    // A release's label and the version built into it may differ; the copy
    // started from the store would then find the store newer than itself and
    // start itself again, for ever.
    const QString running = localStorage_->versionOfRunningCopy();
    if (!running.isEmpty()) {
        logger_->info(QStringLiteral("This copy was started from the local store, it does not hand over again."),
                      QStringLiteral("Stored as version ") + running);
        return false;
    }
    const QString local = localStorage_->latestVersionInLocalStore();
    const QString current = QCoreApplication::applicationVersion();
    return isLocalStoreVersionNewer(current, local) && launchLatest();
}

bool SelfUpdateLauncher::launchLatestIfNewerInOnlineMode()
{
    const QString local = localStorage_->latestVersionInLocalStore();
    const QString current = QCoreApplication::applicationVersion();
    if (!isLocalStoreVersionNewer(current, local))
        return false;
    // A copy from the store hands over only to a copy stored under a newer
    // version than its own, so every hand-over makes progress.
    const QString running = localStorage_->versionOfRunningCopy();
    if (!running.isEmpty() && !isLocalStoreVersionNewer(running, local)) {
        logger_->info(QStringLiteral("The stored copy is not newer than this copy from the local store, not started."),
                      QStringLiteral("Stored as version ") + running);
        return false;
    }
    return launchLatestInOnlineMode();
}

bool SelfUpdateLauncher::isLocalStoreVersionNewer(QString currentVersion, QString localStoreVersion)
{
    const QStringList currentParts = currentVersion.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    const QStringList localParts = localStoreVersion.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (currentParts.size() < 3 || localParts.size() < 3)
        return false;
    const QString both = QStringLiteral("Version in local store (") + localStoreVersion
                         + QStringLiteral("), Currently launched version (") + currentVersion + QStringLiteral(")");
    for (int i = 0; i < 3; ++i) {
        const int current = versionPart(currentParts.at(i));
        const int local = versionPart(localParts.at(i));
        if (local > current) {
            logger_->info(QStringLiteral("Version in local store is newer than currently launched version"), both);
            return true;
        }
        if (local < current) {
            logger_->info(QStringLiteral("Version in local store is older than currently launched version"), both);
            return false;
        }
    }
    return false;
}

bool SelfUpdateLauncher::launchLatest()
{
    const QString path = localStorage_->pathToLatestVersionInLocalStore();
    logger_->debug(QStringLiteral("Trying to launch latest Updater."), QStringLiteral("Latest Updater path: ") + path);
    return !isRunningExecutable(path) && launchWithArguments(path, false);
}

bool SelfUpdateLauncher::launchLatestInOnlineMode()
{
    const QString path = localStorage_->pathToLatestVersionInLocalStore();
    logger_->debug(QStringLiteral("Trying to launch latest Updater in ONLINE Mode."),
                   QStringLiteral("Latest Updater path: ") + path);
    return !isRunningExecutable(path) && launchWithArguments(path, true);
}

bool SelfUpdateLauncher::isRunningExecutable(const QString& path)
{
    const QString own = QFileInfo(platform::realExecutablePath()).canonicalFilePath();
    if (own.isEmpty() || QFileInfo(path).canonicalFilePath() != own)
        return false;
    logger_->error(QStringLiteral("The stored copy is this program itself, not started again."), path);
    return true;
}

bool SelfUpdateLauncher::launchWithArguments(QString executablePath, bool onlineMode)
{
    QStringList arguments = {QStringLiteral("--original-installer-path"), originalInstallerPath_};
    if (onlineMode)
        arguments << QStringLiteral("--force-online-mode");
    logger_->info(QStringLiteral("SelfUpdate launch Updater"),
                  QStringLiteral("Path to Updater: %1, Arguments: %2")
                      .arg(executablePath, arguments.join(QLatin1Char(' '))));
    const bool started = processStarter_->start(executablePath, arguments);
    launchProblem_ = started ? QString() : processStarter_->startProblem();
    return started;
}

QString SelfUpdateLauncher::launchProblem() const
{
    return launchProblem_;
}
