#include "updater/infrastructure/ConsoleLogAppender.h"

#include "updater/infrastructure/LogLine.h"

#include <QtDebug>

ConsoleLogAppender::ConsoleLogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent)
    : LogAppender(level, excludedClassNames, parent)
{
}

ConsoleLogAppender::~ConsoleLogAppender()
{
    detachFromHub();
}

void ConsoleLogAppender::writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                                  LogLevels level, const QDateTime& time)
{
    const QString line = formatLogLine(shortText, fullText, className, level, time);
    qDebug().noquote() << QLatin1Char('"') + line + QLatin1Char('"');
}
