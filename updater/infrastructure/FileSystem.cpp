#include "updater/infrastructure/FileSystem.h"

#include "updater/infrastructure/SimpleLogger.h"

FileSystem::FileSystem(const QDir& directory)
    : directory_(directory)
    , logger_(SimpleLogger::getLogger(this))
{
}

bool FileSystem::removeRecursively()
{
    logger_->debug(QStringLiteral("removeRecursively()"), QString());
    return directory_.removeRecursively();
}

bool FileSystem::mkdirIfNotExist()
{
    const QString path = directory_.absolutePath();
    const bool created = QDir().mkdir(path);
    logger_->debug(QStringLiteral("mkdirIfNotExist ") + path + QStringLiteral(" result :: ")
                       + QString::number(created ? 1 : 0),
                   QString());
    return created;
}

bool FileSystem::hasFile(const QString& name)
{
    const bool found = directory_.exists(name);
    logger_->debug(QStringLiteral("hasFile ") + name + QStringLiteral(" result: ") + QString::number(found ? 1 : 0),
                   QString());
    return found;
}

QDir& FileSystem::getDirectory()
{
    return directory_;
}
