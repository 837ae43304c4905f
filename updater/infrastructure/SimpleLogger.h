#pragma once

#include "updater/infrastructure/LogLevels.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QReadWriteLock>
#include <QString>

class LogAppender;
class SimpleLogger;

// A class's handle on the hub: every line it writes carries the class name
// the logger was made for. Loggers are owned by the hub and live until the
// process ends. Any thread may call the operations.
class Logger : public QObject {
    Q_OBJECT
public:
    Logger(const QString& className, SimpleLogger* hub);

    virtual void debug(const QString& shortText, const QString& fullText) = 0;
    virtual void info(const QString& shortText, const QString& fullText) = 0;
    virtual void error(const QString& shortText, const QString& fullText) = 0;

    QString className() const;

protected:
    void write(const QString& shortText, const QString& fullText, LogLevels level);

private:
    QString className_;
    SimpleLogger* hub_;
};

class DebugLogger : public Logger {
    Q_OBJECT
public:
    using Logger::Logger;

    void debug(const QString& shortText, const QString& fullText) override;
    void info(const QString& shortText, const QString& fullText) override;
    void error(const QString& shortText, const QString& fullText) override;
};

// The process-wide logging hub. It does not own its outputs; an output leaves
// the hub itself when it is destroyed.
//
// Threads: every operation may be called from any thread. Handing an entry
// out holds the output list for reading, so an output that is being removed
// (or destroyed) waits until no thread is still writing through it. Each
// output then serialises its own entries with its own mutex; the hub's lock is
// always taken before an output's, never the other way round, so an output's
// writeRaw must not log through the hub.
class SimpleLogger : public QObject {
    Q_OBJECT
public:
    static SimpleLogger* getInstance();
    static Logger* getLogger(QObject* object);

    Logger* createLogger(const QString& className);
    void addAppender(LogAppender* appender);
    void log(const QString& shortText, const QString& fullText, const QString& className, LogLevels level);

public slots:
    void removeAppenderSlot(QObject* appender);

private:
    SimpleLogger();

    QList<LogAppender*> appenders_;
    QList<Logger*> loggers_;
    QMutex loggersMutex_;
    QReadWriteLock appendersLock_;
};
