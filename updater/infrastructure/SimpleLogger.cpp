#include "updater/infrastructure/SimpleLogger.h"

#include "updater/infrastructure/LogAppender.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QReadLocker>
#include <QWriteLocker>

Logger::Logger(const QString& className, SimpleLogger* hub)
    : className_(className)
    , hub_(hub)
{
}

QString Logger::className() const
{
    return className_;
}

void Logger::write(const QString& shortText, const QString& fullText, LogLevels level)
{
    hub_->log(shortText, fullText, className_, level);
}

void DebugLogger::debug(const QString& shortText, const QString& fullText)
{
    write(shortText, fullText, DEBUG);
}

void DebugLogger::info(const QString& shortText, const QString& fullText)
{
    write(shortText, fullText, INFO);
}

void DebugLogger::error(const QString& shortText, const QString& fullText)
{
    write(shortText, fullText, ERROR);
}

SimpleLogger::SimpleLogger()
{
    qRegisterMetaType<LogLevels>("LogLevels");
}

SimpleLogger* SimpleLogger::getInstance()
{
    // Never destroyed: outputs and loggers may still be used while static
    // objects are torn down at exit.
    static QMutex creationMutex;
    static SimpleLogger* instance = nullptr;
    QMutexLocker lock(&creationMutex);
    if (!instance)
        instance = new SimpleLogger();
    return instance;
}

Logger* SimpleLogger::getLogger(QObject* object)
{
    const QString className = object ? QString::fromLatin1(object->metaObject()->className()) : QString();
    return getInstance()->createLogger(className);
}

Logger* SimpleLogger::createLogger(const QString& className)
{
    auto* logger = new DebugLogger(className, this);
    QMutexLocker lock(&loggersMutex_);
    loggers_.append(logger);
    return logger;
}

void SimpleLogger::addAppender(LogAppender* appender)
{
    QWriteLocker lock(&appendersLock_);
    appenders_.append(appender);
}

void SimpleLogger::removeAppenderSlot(QObject* appender)
{
    QWriteLocker lock(&appendersLock_);
    appenders_.removeAll(static_cast<LogAppender*>(appender));
}

void SimpleLogger::log(const QString& shortText, const QString& fullText, const QString& className,
                       LogLevels level)
{
    QReadLocker lock(&appendersLock_);
    for (LogAppender* appender : qAsConst(appenders_))
        appender->appendAndFilterLogEntry(shortText, fullText, className, level);
}
