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

FileLogAppender::FileLogAppender(QIODevice* device, LogLevels level, const QStringList& excludedClassNames,
                                 QObject* parent)
    : LogAppender(level, excludedClassNames, parent)
    , device_(device)
{
    if (!device_ || !device_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qDebug() << "writeToFile could not open for writing logfile ";
        return;
    }
    if (auto* file = qobject_cast<QFile*>(device_))
        makePrivateFile(file->fileName());
}

FileLogAppender::~FileLogAppender()
{
    detachFromHub();
    if (device_ && device_->isOpen())
        device_->close();
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
    const QString folder = dataFolder + QDir::separator() + QStringLiteral("logs");
    // Logs name the machine, its folders and its server: the user's alone,
    // also for folders made by an older version under a lax umask.
    const bool existed = QDir(folder).exists();
    makePrivateFolder(dataFolder);
    const bool created = makePrivateFolder(folder);
    if (!existed)
        qDebug() << "log file creation result" << created;
    return folder + QDir::separator() + stamp + QLatin1Char('-') + name;
}
