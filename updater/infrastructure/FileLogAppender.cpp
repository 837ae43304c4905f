#include "updater/infrastructure/FileLogAppender.h"

#include "updater/infrastructure/LogLine.h"
#include "updater/infrastructure/PrivateFiles.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QStandardPaths>
#include <QTextStream>
#include <QTime>
#include <QtDebug>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Log names are predictable to the second, so whatever already has the name
// may have been put there: a link must not be followed (into ~/.profile), a
// FIFO must not block the start, and only a regular file of the user with no
// other name may be appended to.
bool openOwnLogFile(QFile* file, QIODevice::OpenMode mode)
{
    const QByteArray path = QFile::encodeName(file->fileName());
    if (path.isEmpty())
        return false;
    int fd = -1;
    do {
        fd = ::open(path.constData(),
                    O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1
        || ((info.st_mode & 07777) != (S_IRUSR | S_IWUSR) && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
        || ::fcntl(fd, F_SETFL, O_APPEND) != 0
        || !file->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

} // namespace

FileLogAppender::FileLogAppender(QIODevice* device, LogLevels level, const QStringList& excludedClassNames,
                                 QObject* parent)
    : LogAppender(level, excludedClassNames, parent)
    , device_(device)
{
    auto* file = qobject_cast<QFile*>(device_);
    if (file)
        fileName_ = file->fileName();
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text;
    const bool opened = file ? openOwnLogFile(file, mode) : device_ && device_->open(mode);
    if (!opened)
        qDebug() << "writeToFile could not open for writing logfile " << fileName_;
}

FileLogAppender::~FileLogAppender()
{
    detachFromHub();
    if (device_ && device_->isOpen())
        device_->close();
    // Opening by descriptor dropped the name; the owner may open it again.
    if (auto* file = qobject_cast<QFile*>(device_))
        file->setFileName(fileName_);
}

void FileLogAppender::writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                               LogLevels level, const QDateTime& time)
{
    if (!device_ || !device_->isOpen())
        return;
    QTextStream stream(device_);
    stream << formatLogLine(shortText, fullText, className, level, time) << '\n';
    stream.flush();
}

QString FileLogAppender::getAndCreateLogFilePath(const QString& name)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = QString::asprintf("%d-%02d-%02d-%02d-%02d-%02d", now.date().year(), now.date().month(),
                                            now.date().day(), now.time().hour(), now.time().minute(),
                                            now.time().second());
    const QString dataFolder = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QDir::separator()
        + QStringLiteral("Pathwarden"));
    // Logs name the machine, its folders and its server: the user's alone,
    // also for folders made by an older version under a lax umask.
    QString folder = dataFolder + QDir::separator() + QStringLiteral("logs");
    QString problem;
    if (!makePrivateFolder(dataFolder, &problem)) {
        // The local store's folder cannot be used (another user's, say): the
        // log goes to the user's cache folder instead, where it is found by
        // the same name, and the console says where and why.
        const QString cache = QDir::toNativeSeparators(
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QDir::separator()
            + QStringLiteral("Pathwarden"));
        folder = cache + QDir::separator() + QStringLiteral("logs");
        qDebug() << "log file in" << folder << "as the folder" << dataFolder << "cannot be used:" << problem;
        if (!makePrivateFolder(cache, &problem)) {
            qDebug() << "no log file: the folder" << cache << "cannot be used:" << problem;
            return QString();
        }
    }
    const bool existed = QDir(folder).exists();
    const bool created = makePrivateFolder(folder, &problem);
    if (!existed)
        qDebug() << "log file creation result" << created;
    if (!created) {
        qDebug() << "no log file: the folder" << folder << "cannot be used:" << problem;
        return QString();
    }
    return folder + QDir::separator() + stamp + QLatin1Char('-') + name;
}
