#include "updater/infrastructure/LogLine.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

QString formatLogTime(const QDateTime& time)
{
    const QDateTime local = time.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::asprintf("%d-%02d-%02d %02d:%02d:%02d.%03d", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second(), t.msec());
}

QString formatLogLine(const QString& shortText, const QString& fullText, const QString& className,
                      LogLevels level, const QDateTime& time)
{
    QString line = formatLogTime(time);
    line += QLatin1Char(' ');
    line += className;
    line += QLatin1Char(' ');
    line += logLevelName(level);
    line += QLatin1String(" :: ");
    line += shortText;
    if (!fullText.isEmpty()) {
        line += QLatin1String(" :: ");
        line += fullText;
    }
    return line;
}
