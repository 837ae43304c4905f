#include "updater/infrastructure/FileLogAppender.h"

#include "updater/infrastructure/LogLine.h"
#include "updater/infrastructure/PrivateFiles.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTextStream>
#include <QTime>
#include <QtDebug>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool openOwnLogFile(QFile* file, QIODevice::OpenMode mode)
{
    if (file->fileName().isEmpty())
        return false;
    QString problem;
    const int fd = openUserLogFile(file->fileName(), &problem);
    if (fd < 0) {
        qDebug() << "no log file:" << problem;
        return false;
    }
    if (!file->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

constexpr int kMaxRunsPerSecond = 100;

bool isOwnRegularFile(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)
           && info.st_uid == ::geteuid();
}

// The log folder below base (<base>/Pathwarden/logs) when both folders
// pass the rule; empty otherwise, with problem set.
QString logFolderBelow(const QString& base, QString* problem)
{
    const QString own = base + QDir::separator() + QStringLiteral("Pathwarden");
    const QString logs = own + QDir::separator() + QStringLiteral("logs");
    return makePrivateFolder(own, problem) && makePrivateFolder(logs, problem) ? logs : QString();
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
    // Logs name the machine, its folders and its server: the user's alone.
    // When the data folder's cannot be used (another user's entry in a
    // folder that was open, say), the log goes to the user's cache folder,
    // where it is found by the same name, and the console says where and why.
    const QString data = xdgUserFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    QString problem;
    QString folder = logFolderBelow(data, &problem);
    if (folder.isEmpty()) {
        const QString cache = xdgUserFolder("XDG_CACHE_HOME", QStringLiteral(".cache"));
        qDebug() << "log file below" << cache << "as the data folder cannot be used:" << problem;
        folder = logFolderBelow(cache, &problem);
    }
    if (folder.isEmpty()) {
        qDebug() << "no log file: the folder cannot be used:" << problem;
        return QString();
    }
    // A run of the same second has its file there from its start: this run
    // numbers its own ("...-02-2-debug.log"). Anything else at the name
    // (a link, a FIFO, another user's file) is replaced when the log is
    // opened, not avoided.
    const QString first = folder + QDir::separator() + stamp + QLatin1Char('-');
    QString path = first + name;
    for (int run = 2; isOwnRegularFile(path) && run <= kMaxRunsPerSecond; ++run)
        path = first + QString::number(run) + QLatin1Char('-') + name;
    return path;
}
