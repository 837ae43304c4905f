#include "updater/testsupport/RecordingLogAppender.h"

#include "updater/infrastructure/LogLine.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QMutexLocker>

RecordingLogAppender::RecordingLogAppender(LogLevels level, const QStringList& excludedClassNames)
    : LogAppender(level, excludedClassNames, nullptr)
{
    SimpleLogger::getInstance()->addAppender(this);
}

RecordingLogAppender::~RecordingLogAppender()
{
    detachFromHub();
}

QStringList RecordingLogAppender::lines() const
{
    QMutexLocker lock(&linesMutex_);
    return lines_;
}

bool RecordingLogAppender::contains(const QString& text) const
{
    QMutexLocker lock(&linesMutex_);
    for (const QString& line : lines_) {
        if (line.contains(text))
            return true;
    }
    return false;
}

void RecordingLogAppender::clear()
{
    QMutexLocker lock(&linesMutex_);
    lines_.clear();
}

void RecordingLogAppender::writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                                    LogLevels level, const QDateTime& time)
{
    QMutexLocker lock(&linesMutex_);
    lines_.append(formatLogLine(shortText, fullText, className, level, time));
}
