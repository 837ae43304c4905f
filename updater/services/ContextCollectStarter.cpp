#include "updater/services/ContextCollectStarter.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/ChildProcess.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/infrastructure/platform/ProcessGroupAnchor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

// Outside any namespace, as the resource system requires.
static void initContextCollectorResource()
{
    Q_INIT_RESOURCE(contextcollector);
}

namespace {

constexpr int kMaxErrorLogCharacters = 16384;

} // namespace

ContextCollectStarter::ContextCollectStarter(const QString& workingDirectory, QObject* parent)
    : QObject(parent)
    , workingDirectory_(workingDirectory)
    , logger_(SimpleLogger::getLogger(this))
{
    initContextCollectorResource();
}

ContextCollectStarter::~ContextCollectStarter() = default;

bool ContextCollectStarter::start(const QString& installerDirPath, const QString& resultXmlPath)
{
    logger_->debug(QStringLiteral("component scanner start"), QString());
    logger_->debug(installerDirPath, QString());
    logger_->debug(resultXmlPath, QString());

    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) {
            logger_->info(QStringLiteral("Component scan cancelled."), QString());
            return false;
        }
    }
    auto anchor = std::make_unique<platform::ProcessGroupAnchor>();
    const pid_t group = anchor->group();
    if (group <= 0) {
        logger_->error(QStringLiteral("Component Scanner could not be started: no process group for it."),
                       QString());
        return false;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        anchor_ = std::move(anchor);
    }
    // The script joins the scan's process group as it starts; the tools it
    // starts stay in it.
    platform::ChildProcess process;
    const bool launched = launchCollector(process, installerDirPath, resultXmlPath, group);
    {
        // A cancel that came while the script was being started ends it now:
        // the script may have joined the group after the cancel's kill.
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_)
            anchor_->kill();
    }
    // Also when the anchor ends first: killed on its own, it no longer ends
    // the group along with us, so the scan ends now.
    const platform::ChildProcess::End end =
        launched ? process.waitForEnd(kScanDeadlineMs, group) : platform::ChildProcess::End::Exited;
    const bool finished = launched && end == platform::ChildProcess::End::Exited;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (launched && !finished)
            anchor_->kill();
    }
    if (launched && !finished)
        process.waitForEnd(-1);
    bool cancelled = false;
    {
        // Whatever the script left running ends with the scan. The anchor is
        // reaped under the lock, so that no cancel can signal its id once it
        // might name another process.
        const std::lock_guard<std::mutex> lock(mutex_);
        anchor_.reset();
        cancelled = cancelled_;
    }
    if (cancelled) {
        logger_->info(QStringLiteral("Component scan cancelled."), QString());
        return false;
    }
    if (end == platform::ChildProcess::End::WatchedEnded) {
        logger_->error(QStringLiteral("Component scan stopped: the guard of its processes ended."),
                       QStringLiteral("process group %1").arg(group));
        return false;
    }
    if (!launched) {
        logger_->error(QStringLiteral("Component Scanner timed out or failed."),
                       QStringLiteral("not started: ") + process.errorString());
        return false;
    }
    if (!finished || !process.exitedNormally() || process.exitCode() != 0) {
        reportFailure(process, finished);
        return false;
    }
    if (!QFileInfo::exists(QDir::toNativeSeparators(resultXmlPath))) {
        logger_->error(QStringLiteral("Component Scanner result XML not found."), QString());
        return false;
    }
    logger_->info(QStringLiteral("Component Scanner succeeded."), QString());
    return true;
}

void ContextCollectStarter::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    if (anchor_)
        anchor_->kill();
}

bool ContextCollectStarter::launchCollector(platform::ChildProcess& process, const QString& installerDirPath,
                                            const QString& resultXmlPath, pid_t group)
{
    const QString script = workingDirectory_ + QStringLiteral("contextcollector.rb");
    // Fails when an earlier scan of this run left the script there; that
    // copy is the same script and is run.
    const bool copied = QFile::copy(QStringLiteral(":/context-collector-osx"), script);
    logger_->debug(QStringLiteral("ComponentScanner was copied to workingDir result: ")
                       + (copied ? QStringLiteral("success") : QStringLiteral("failed")),
                   QString());

    const QStringList arguments = {QStringLiteral("-E"), QStringLiteral("UTF-8:UTF-8"),
                                   QDir::toNativeSeparators(script), QStringLiteral("--installerDir"),
                                   QDir::toNativeSeparators(installerDirPath), QStringLiteral("--resultXML"),
                                   QDir::toNativeSeparators(resultXmlPath)};
    // Outside the group nothing would end the script along with us: a start
    // that cannot join it fails.
    const bool started = process.start(QString::fromLatin1(platform::kRubyProgram), arguments, group);
    logger_->debug(QStringLiteral("execute: ") + arguments.join(QLatin1Char(' ')), QString());
    return started;
}

void ContextCollectStarter::reportFailure(const platform::ChildProcess& process, bool finished)
{
    const bool crashed = finished && !process.exitedNormally();
    logger_->error(QStringLiteral("Component Scanner timed out or failed."),
                   (crashed ? QStringLiteral("error code: %1 (CRASH)") : QStringLiteral("error code: %1 (NORMAL EXIT)"))
                       .arg(process.exitCode()));

    const QString path = workingDirectory_ + QStringLiteral("error.log");
    const QFileInfo info(QDir::toNativeSeparators(path));
    if (!info.exists())
        return;
    QFile file(path);
    // Only a regular file: anything else in its place must not block us.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        logger_->error(QStringLiteral("Component Scanner 'error.log' file exist's but could not be opened."),
                       QStringLiteral("ErrorLogPath: %1").arg(path));
        return;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    const QString text = stream.read(kMaxErrorLogCharacters);
    if (text.isEmpty())
        return;
    logger_->error((crashed ? QStringLiteral("DETAILED Component Scanner error %1 (crash) occured.")
                            : QStringLiteral("DETAILED Component Scanner error %1 occured."))
                       .arg(process.exitCode()),
                   text);
}
