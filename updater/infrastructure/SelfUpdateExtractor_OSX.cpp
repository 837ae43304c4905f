#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/UpdaterBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QDir::Filters kEveryEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QSet<QString> entryNames(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(kEveryEntry);
    return QSet<QString>(names.cbegin(), names.cend());
}

// As the kernel's path resolution: no more links than this are followed in
// one resolution, however they nest; beyond it the system would not resolve
// the name either.
constexpr int kMostLinksFollowed = 40;

QString linkTarget(const QString& path)
{
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), target.size());
    return length < 0 || length >= target.size() ? QString() : QFile::decodeName(target.left(int(length)));
}

// Follows target from the folder where (names below root) as the system
// would, one name at a time, links included; false as soon as a step leaves
// root or the resolution has used up linksLeft. An absolute target leaves it
// at once: it names a place outside the copy whatever lies there. Every link
// followed counts against the one budget, so a link that names the next one
// several times costs no more than a plain chain: the check stays linear in
// the number of links.
bool leadsInside(const QString& root, QStringList& where, const QString& target, int& linksLeft)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('/')))
        return false;
    for (const QString& name : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (where.isEmpty())
                return false;
            where.removeLast();
            continue;
        }
        const QString path = root + QLatin1Char('/') + where.join(QLatin1Char('/')) + QLatin1Char('/') + name;
        if (QFileInfo(path).isSymLink()) {
            if (--linksLeft < 0 || !leadsInside(root, where, linkTarget(path), linksLeft))
                return false;
        } else {
            where.append(name);
        }
    }
    return true;
}

// The first symbolic link in the folder or below it that leads out of it,
// without following any; empty when there is none. Such a link could make us
// start, or load plug-ins or frameworks from, a program outside the store.
// Relative links that stay inside (a framework's "Versions/Current") are the
// bundle's own. tooManyLinks tells a link whose resolution needs more links
// than the system follows, which leads nowhere.
QString firstLinkLeadingOut(const QString& folder, bool* tooManyLinks)
{
    QDirIterator it(folder, kEveryEntry, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            continue;
        QStringList where = it.fileInfo().path().mid(folder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        int linksLeft = kMostLinksFollowed - 1; // the link itself
        if (!leadsInside(folder, where, linkTarget(it.filePath()), linksLeft)) {
            *tooManyLinks = linksLeft < 0;
            return it.filePath();
        }
    }
    return QString();
}

// unzip makes folders as the umask lets it (0777 under umask 000), which
// the copy's start would refuse. The folder lies in the user's private
// version folder: nobody else can have changed what is in it, and its
// links are never followed.
void withoutWriteOfOthers(const QString& folder)
{
    QDirIterator it(folder, kEveryEntry, QDirIterator::Subdirectories);
    for (QString path = folder; !path.isEmpty(); path = it.hasNext() ? it.next() : QString()) {
        const QByteArray native = QFile::encodeName(path);
        struct stat info {};
        if (::lstat(native.constData(), &info) == 0 && !S_ISLNK(info.st_mode) && (info.st_mode & 022) != 0)
            ::chmod(native.constData(), info.st_mode & 07755);
    }
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
    problem_.clear();
    archive.refresh();
    if (!archive.exists()) {
        logger_->error(QStringLiteral("Zip file does not exist!"), QString());
        problem_ = QCoreApplication::translate("PrivateFiles", "%1 is not a regular file").arg(archive.filePath());
        return false;
    }
    // What lies next to the archive before unpacking is not part of the copy.
    const QString unpackingFolder = QFileInfo(archive.canonicalFilePath()).canonicalPath();
    const QSet<QString> before = entryNames(unpackingFolder);
    QString folder;
    if (!zipExtractor_ || !zipExtractor_->extract(QFileInfo(archive), folder)) {
        logger_->error(QStringLiteral("Zip file could not be extracted!"), QString());
        problem_ = zipExtractor_ ? zipExtractor_->problem() : QString();
        removeUnpacked(unpackingFolder, before);
        return false;
    }
    bool tooManyLinks = false;
    const QString link = firstLinkLeadingOut(folder, &tooManyLinks);
    if (!link.isEmpty()) {
        logger_->error(tooManyLinks ? QStringLiteral("Unpacked copy holds a symbolic link that needs more than 40 links "
                                                     "to resolve (too many levels of symbolic links); it is not used.")
                                    : QStringLiteral("Unpacked copy holds a symbolic link that leads out of it; it is "
                                                     "not used."),
                       link);
        problem_ = tooManyLinks ? QCoreApplication::translate("ZipExtractor",
                                                              "%1 needs more than 40 links to resolve")
                                      .arg(link)
                                : QCoreApplication::translate("ZipExtractor", "%1 is a link that leads out of the update")
                                      .arg(link);
        removeUnpacked(folder, before);
        executablePath.clear();
        return false;
    }
    withoutWriteOfOthers(folder);
    executablePath = folder + executableRelativePath();
    if (QFileInfo(executablePath).isFile())
        return true;
    logger_->error(QStringLiteral("Failed to find extracted binary file. ('Pathwarden.app')"), QString());
    problem_ = QCoreApplication::translate("ZipExtractor", "the update holds no %1").arg(executableRelativePath());
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

bool SelfUpdateExtractor_OSX::timedOut() const
{
    return zipExtractor_ && zipExtractor_->timedOut();
}

void SelfUpdateExtractor_OSX::cancel()
{
    if (zipExtractor_)
        zipExtractor_->cancel();
}

bool SelfUpdateExtractor_OSX::removeArchive(QFileInfo archive)
{
    archive.refresh();
    if (!QFile::remove(archive.absoluteFilePath()))
        return false;
    archive.refresh();
    return !archive.exists();
}
