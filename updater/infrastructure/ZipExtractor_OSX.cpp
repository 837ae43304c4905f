#include "updater/infrastructure/ZipExtractor_OSX.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/ChildProcess.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/infrastructure/platform/ProcessGroupAnchor.h"

#include <QCoreApplication>

ZipExtractor_OSX::ZipExtractor_OSX(QObject* parent)
    : ZipExtractor_OSX(QString::fromLatin1(platform::kUnzipProgram), parent)
{
}

ZipExtractor_OSX::ZipExtractor_OSX(const QString& program, QObject* parent)
    : ZipExtractor(parent)
    , program_(program)
    , logger_(SimpleLogger::getLogger(this))
{
}

ZipExtractor_OSX::~ZipExtractor_OSX() = default;

bool ZipExtractor_OSX::fail(const QString& problem)
{
    problem_ = problem;
    return false;
}

void ZipExtractor_OSX::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    if (anchor_)
        anchor_->kill();
}

bool ZipExtractor_OSX::extract(QFileInfo archive, QString& folder)
{
    // Only a regular file: a FIFO or device under that name would keep unzip
    // waiting for data.
    timedOut_ = false;
    problem_.clear();
    archive.refresh();
    if (!archive.exists() || !archive.isFile())
        return fail(QCoreApplication::translate("PrivateFiles", "%1 is not a regular file")
                        .arg(archive.absoluteFilePath()));

    const QString archivePath = archive.canonicalFilePath();
    folder = QFileInfo(archivePath).canonicalPath();
    logger_->info(QStringLiteral("Trying to extract ZIP archive"),
                  QStringLiteral("Trying to extract ZIP archive file '%1' to '%2'").arg(archivePath, folder));

    // Never shown: the application is ending.
    const QString cancelled = QStringLiteral("unpacking was stopped: the application is ending");
    const QString cannotRun = QCoreApplication::translate("ZipExtractor", "unzip cannot be run: %1");
    auto anchor = std::make_unique<platform::ProcessGroupAnchor>();
    const pid_t group = anchor->group();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_)
            return fail(cancelled);
        if (group > 0)
            anchor_ = std::move(anchor);
    }
    if (group <= 0)
        return fail(cannotRun.arg(QStringLiteral("no process group for it")));

    // Nothing to answer a question with: the tool's input is empty, and "-o"
    // keeps it from asking whether to replace a file.
    platform::ChildProcess unzip;
    const bool started = unzip.start(program_, {QStringLiteral("-o"), archivePath, QStringLiteral("-d"), folder}, group);
    bool wasCancelled = false;
    {
        // A cancel while unzip was being started ends it now: it may have
        // joined the group after the cancel's kill.
        const std::lock_guard<std::mutex> lock(mutex_);
        wasCancelled = cancelled_;
        if (wasCancelled)
            anchor_->kill();
    }
    platform::ChildProcess::End end = platform::ChildProcess::End::Exited;
    if (started) {
        // Also when the anchor ends first: killed on its own, it no longer
        // ends the group along with us.
        end = unzip.waitForEnd(kTimeLimitMs, group);
        if (end != platform::ChildProcess::End::Exited) {
            const std::lock_guard<std::mutex> lock(mutex_);
            anchor_->kill();
        }
        if (end != platform::ChildProcess::End::Exited)
            unzip.waitForEnd(-1);
    }
    {
        // Whatever unzip left running ends with it. Reaped under the lock, so
        // that no cancel signals the id once it might name another process.
        const std::lock_guard<std::mutex> lock(mutex_);
        anchor_.reset();
        wasCancelled = cancelled_;
    }
    if (!started) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': %2").arg(archivePath, unzip.errorString()));
        return fail(cannotRun.arg(unzip.errorString()));
    }
    if (wasCancelled) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': stopped, the application is ending").arg(archivePath));
        return fail(cancelled);
    }
    if (end == platform::ChildProcess::End::TimedOut) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': still running after %2 ms").arg(archivePath).arg(kTimeLimitMs));
        timedOut_ = true;
        // The store names the time-out in its own words.
        return fail(QStringLiteral("unzip did not finish within %1 s").arg(kTimeLimitMs / 1000));
    }
    if (end == platform::ChildProcess::End::WatchedEnded) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': the guard of its process group ended").arg(archivePath));
        return fail(cannotRun.arg(QStringLiteral("the guard of its process group ended")));
    }
    if (!unzip.exitedNormally() || unzip.exitCode() != 0) {
        // Even a warning status may mean an entry was skipped or cut short;
        // nothing unpacked by such a run is used.
        const QString errors = QString::fromLocal8Bit(unzip.standardError()).trimmed();
        logger_->error(QStringLiteral("ZIP archive extraction failed."),
                       QStringLiteral("'%1': exit code %2: %3").arg(archivePath).arg(unzip.exitCode()).arg(errors));
        // Its own words, which it wraps over several lines, as one text
        // (what it wrote is kept up to ChildProcess's cap); the status alone
        // when it wrote none.
        return fail(QCoreApplication::translate("ZipExtractor", "unzip failed with status %1")
                        .arg(unzip.exitedNormally() ? unzip.exitCode() : 128 + unzip.exitCode())
                    + (errors.isEmpty() ? QString() : QStringLiteral(": ") + errors.simplified()));
    }
    return true;
}
