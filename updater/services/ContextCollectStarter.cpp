#include "updater/services/ContextCollectStarter.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/infrastructure/platform/ProcessGroupAnchor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <unistd.h>

// Outside any namespace, as the resource system requires.
static void initContextCollectorResource()
{
    Q_INIT_RESOURCE(contextcollector);
}

namespace {

constexpr int kMaxErrorLogCharacters = 16384;

// The script joins the scan's process group before it runs; the tools it
// starts stay in it.
class CollectorProcess : public QProcess {
public:
    explicit CollectorProcess(pid_t group)
        : group_(group)
    {
    }

protected:
    void setupChildProcess() override
    {
        // Outside the group nothing would end the script along with us.
        if (::setpgid(0, group_) != 0)
            ::_exit(127);
    }

private:
    pid_t group_;
};

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
    CollectorProcess process(group);
    launchCollector(process, installerDirPath, resultXmlPath);
    {
        // A cancel that came while the script was being started ends it now:
        // the script may have joined the group after the cancel's kill.
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_)
            anchor_->kill();
    }
    const bool finished = process.waitForFinished(kScanDeadlineMs);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!finished)
            anchor_->kill();
    }
    if (!finished && process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);
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
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        reportFailure(process);
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

void ContextCollectStarter::launchCollector(QProcess& process, const QString& installerDirPath,
                                            const QString& resultXmlPath)
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
    process.start(QString::fromLatin1(platform::kRubyProgram), arguments, QIODevice::ReadWrite);
    logger_->debug(QStringLiteral("execute: ") + arguments.join(QLatin1Char(' ')), QString());
}

void ContextCollectStarter::reportFailure(QProcess& process)
{
    const bool crashed = process.exitStatus() == QProcess::CrashExit;
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
