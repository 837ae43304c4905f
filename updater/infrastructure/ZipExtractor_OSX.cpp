#include "updater/infrastructure/ZipExtractor_OSX.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/ChildProcess.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"

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

bool ZipExtractor_OSX::extract(QFileInfo archive, QString& folder)
{
    // Only a regular file: a FIFO or device under that name would keep unzip
    // waiting for data.
    timedOut_ = false;
    archive.refresh();
    if (!archive.exists() || !archive.isFile())
        return false;

    const QString archivePath = archive.canonicalFilePath();
    folder = QFileInfo(archivePath).canonicalPath();
    logger_->info(QStringLiteral("Trying to extract ZIP archive"),
                  QStringLiteral("Trying to extract ZIP archive file '%1' to '%2'").arg(archivePath, folder));

    // Nothing to answer a question with: the tool's input is empty, and "-o"
    // keeps it from asking whether to replace a file.
    platform::ChildProcess unzip;
    if (!unzip.start(program_,
                     {QStringLiteral("-o"), archivePath, QStringLiteral("-d"), folder})) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': %2").arg(archivePath, unzip.errorString()));
        return false;
    }
    if (unzip.waitForEnd(kTimeLimitMs) != platform::ChildProcess::End::Exited) {
        logger_->error(QStringLiteral("ZIP archive extraction did not finish."),
                       QStringLiteral("'%1': still running after %2 ms").arg(archivePath).arg(kTimeLimitMs));
        unzip.kill();
        unzip.waitForEnd(kTimeLimitMs);
        timedOut_ = true;
        return false;
    }
    if (!unzip.exitedNormally() || unzip.exitCode() != 0) {
        // Even a warning status may mean an entry was skipped or cut short;
        // nothing unpacked by such a run is used.
        logger_->error(QStringLiteral("ZIP archive extraction failed."),
                       QStringLiteral("'%1': exit code %2: %3")
                           .arg(archivePath)
                           .arg(unzip.exitCode())
                           .arg(QString::fromLocal8Bit(unzip.standardError())));
        return false;
    }
    return true;
}
