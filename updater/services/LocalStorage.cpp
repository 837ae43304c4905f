#include "updater/services/LocalStorage.h"

#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kLatestVersionKey = QStringLiteral("LatestVersionInLocalStore");
const QString kLatestPathKey = QStringLiteral("PathToLatestVersionInLocalStore");

} // namespace

LocalStorage::LocalStorage(WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
                           QObject* parent)
    : QObject(parent)
    , settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                                            QStringLiteral("pathwarden-local-storage")))
    , logger_(SimpleLogger::getLogger(this))
    , workingDirectoryProvider_(workingDirectoryProvider)
    , extractor_(extractor)
{
}

LocalStorage::~LocalStorage() = default;

bool LocalStorage::storeUpdaterArchive(QString pathToZipArchive, QString version)
{
    if (pathToZipArchive.isEmpty()) {
        logger_->error(QStringLiteral("Invalid source path."), QStringLiteral("PathToZipArchive: ") + pathToZipArchive);
        return false;
    }
    if (!isVersionFolderName(version)) {
        logger_->error(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version);
        return false;
    }

    const QFileInfo source(pathToZipArchive);
    // Empties the version's folder before anything below is checked: a
    // failed store of the remembered version loses that copy, and the
    // launcher's start of it then fails.
    const QString folder = workingDirectoryProvider_->getLocalStoreDirectoryForVersion(version);
    if (folder.isEmpty()) {
        logger_->error(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version);
        return false;
    }
    const QFileInfo target(QDir::toNativeSeparators(QFileInfo(folder).absolutePath() + QDir::separator()
                                                    + source.fileName()));

    // Only a regular file: copying from a FIFO would wait for a writer.
    if (!source.isFile()) {
        logger_->error(QStringLiteral("Source path doesn't exist."),
                       QStringLiteral("OriginalPath: ") + source.absoluteFilePath());
        return false;
    }
    if (target.exists()) {
        logger_->error(QStringLiteral("Target path exists."), QStringLiteral("TargetPath: ") + target.absoluteFilePath());
        return false;
    }

    const QString fromTo = QStringLiteral("From '") + source.absoluteFilePath() + QStringLiteral("' to '")
                           + target.absoluteFilePath() + QStringLiteral("'");
    logger_->info(QStringLiteral("Copying Vorn archive file."), fromTo);
    if (!QFile::copy(source.absoluteFilePath(), target.absoluteFilePath())) {
        logger_->error(QStringLiteral("Failed to copy Vorn archive file."), fromTo);
        return false;
    }

    logger_->info(QStringLiteral("Extracting Vorn archive file..."), QString());
    QString executablePath;
    const bool extracted = extractor_->extract(QFileInfo(target.absoluteFilePath()), executablePath);
    if (!extracted)
        logger_->error(QStringLiteral("Failed to extract Vorn archive file."), QString());
    if (!extractor_->removeArchive(QFileInfo(target.absoluteFilePath())))
        logger_->error(QStringLiteral("Failed to delete ZIP archive."),
                       QStringLiteral("TargetPath: ") + target.absoluteFilePath());
    if (!extracted)
        return false;

    logger_->info(QStringLiteral("Extraction Vorn succeeded and storing Vorn installer and information"),
                  QStringLiteral("LatestVersionInLocalStore:") + version + QStringLiteral("\n")
                      + QStringLiteral("PathToLatestVersionInLocalStore: ") + executablePath);
    settings_->setValue(kLatestVersionKey, version);
    settings_->setValue(kLatestPathKey, executablePath);
    settings_->sync();
    // Keys that did not reach the disk would make the next start miss the
    // copy while this run reports it stored.
    if (settings_->status() != QSettings::NoError) {
        logger_->error(QStringLiteral("Failed to write the local store file."), settings_->fileName());
        return false;
    }
    return true;
}

QString LocalStorage::latestVersionInLocalStore()
{
    return settings_->value(kLatestVersionKey, QVariant()).toString();
}

QString LocalStorage::pathToLatestVersionInLocalStore()
{
    return settings_->value(kLatestPathKey, QVariant()).toString();
}
