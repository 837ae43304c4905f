#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/UpdaterBundle.h"

#include <QFile>

SelfUpdateExtractor_OSX::SelfUpdateExtractor_OSX(ZipExtractor_OSX* zipExtractor, QObject* parent)
    : SelfUpdateExtractor(zipExtractor, parent)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString SelfUpdateExtractor_OSX::executableRelativePath()
{
    return QString::fromLatin1(platform::kUpdaterExecutableInArchive);
}

bool SelfUpdateExtractor_OSX::extract(QFileInfo archive, QString& executablePath)
{
    archive.refresh();
    if (!archive.exists()) {
        logger_->error(QStringLiteral("Zip file does not exist!"), QString());
        return false;
    }
    QString folder;
    if (!zipExtractor_ || !zipExtractor_->extract(QFileInfo(archive), folder)) {
        logger_->error(QStringLiteral("Zip file could not be extracted!"), QString());
        return false;
    }
    executablePath = folder + executableRelativePath();
    if (QFileInfo(executablePath).isFile())
        return true;
    logger_->error(QStringLiteral("Failed to find extracted binary file. ('Pathwarden.app')"), QString());
    executablePath.clear();
    return false;
}

bool SelfUpdateExtractor_OSX::removeArchive(QFileInfo archive)
{
    archive.refresh();
    if (!QFile::remove(archive.absoluteFilePath()))
        return false;
    archive.refresh();
    return !archive.exists();
}
