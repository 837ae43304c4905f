#include "updater/infrastructure/LogAppender.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QtDebug>

LogAppender::LogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent)
    : QObject(parent)
    , logLevel_(level)
    , excludedClassNames_(excludedClassNames)
{
}

LogAppender::~LogAppender()
{
    detachFromHub();
}

LogLevels LogAppender::logLevel() const
{
    return logLevel_;
}

void LogAppender::detachFromHub()
{
    SimpleLogger::getInstance()->removeAppenderSlot(this);
}

void LogAppender::appendAndFilterLogEntry(const QString& shortText, const QString& fullText,
                                          const QString& className, LogLevels level)
{
    QMutexLocker lock(&mutex_);
    if (level > logLevel_)
        return;
    if (excludedClassNames_.contains(className)) {
        qDebug() << " log message" << shortText << fullText << className << " was filtered by LogAppender";
        return;
    }
    writeRaw(shortText, fullText, className, level, QDateTime::currentDateTime());
}
