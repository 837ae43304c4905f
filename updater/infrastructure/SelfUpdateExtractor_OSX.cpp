#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/UpdaterBundle.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>

namespace {

constexpr QDir::Filters kEveryEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QSet<QString> entryNames(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(kEveryEntry);
    return QSet<QString>(names.cbegin(), names.cend());
}

// The first symbolic link in the folder or below it, without following any;
// empty when there is none. A link in a stored copy could make us start, or
// load plug-ins from, a program outside the store.
QString firstSymbolicLink(const QString& folder)
{
    QDirIterator it(folder, kEveryEntry, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink())
            return it.filePath();
    }
    return QString();
}

} // namespace

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
    // What lies next to the archive before unpacking is not part of the copy.
    const QString unpackingFolder = QFileInfo(archive.canonicalFilePath()).canonicalPath();
    const QSet<QString> before = entryNames(unpackingFolder);
    QString folder;
    if (!zipExtractor_ || !zipExtractor_->extract(QFileInfo(archive), folder)) {
        logger_->error(QStringLiteral("Zip file could not be extracted!"), QString());
        removeUnpacked(unpackingFolder, before);
        return false;
    }
    const QString link = firstSymbolicLink(folder);
    if (!link.isEmpty()) {
        logger_->error(QStringLiteral("Unpacked copy holds a symbolic link; it is not used."), link);
        removeUnpacked(folder, before);
        executablePath.clear();
        return false;
    }
    executablePath = folder + executableRelativePath();
    if (QFileInfo(executablePath).isFile())
        return true;
    logger_->error(QStringLiteral("Failed to find extracted binary file. ('Pathwarden.app')"), QString());
    removeUnpacked(folder, before);
    executablePath.clear();
    return false;
}

void SelfUpdateExtractor_OSX::removeUnpacked(const QString& folder, const QSet<QString>& before)
{
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(kEveryEntry)) {
        if (before.contains(name))
            continue;
        const QFileInfo entry(dir.filePath(name));
        // A link is removed itself, never what it points to.
        const bool removed = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                 : QFile::remove(entry.filePath());
        if (!removed)
            logger_->error(QStringLiteral("Could not remove an unusable unpacked copy."), entry.filePath());
    }
}

bool SelfUpdateExtractor_OSX::removeArchive(QFileInfo archive)
{
    archive.refresh();
    if (!QFile::remove(archive.absoluteFilePath()))
        return false;
    archive.refresh();
    return !archive.exists();
}
