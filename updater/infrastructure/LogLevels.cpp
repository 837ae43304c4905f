#include "updater/infrastructure/LogLevels.h"

QString logLevelName(int level)
{
    switch (level) {
    case OFF: return QStringLiteral("OFF");
    case ERROR: return QStringLiteral("ERROR");
    case INFO: return QStringLiteral("INFO");
    case DEBUG: return QStringLiteral("DEBUG");
    case ALL: return QStringLiteral("ALL");
    default: return QStringLiteral("unknown loglevel");
    }
}

LogLevels parseLogLevel(const QString& text)
{
    const struct {
        const char* name;
        LogLevels level;
    } order[] = {{"OFF", OFF}, {"DEBUG", DEBUG}, {"INFO", INFO}, {"ERROR", ERROR}, {"ALL", ALL}};
    for (const auto& candidate : order) {
        if (text.contains(QLatin1String(candidate.name), Qt::CaseInsensitive))
            return candidate.level;
    }
    return OFF;
}
