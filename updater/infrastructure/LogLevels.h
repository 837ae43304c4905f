#pragma once

#include <QMetaType>
#include <QString>

// Higher values mean more detail: an output at level L writes every entry
// whose level is L or lower.
enum LogLevels {
    OFF = 0,
    ERROR = 1,
    INFO = 2,
    DEBUG = 3,
    ALL = 4
};

Q_DECLARE_METATYPE(LogLevels)

// "OFF", "ERROR", "INFO", "DEBUG", "ALL"; any other value "unknown loglevel".
QString logLevelName(int level);

// Settings hold levels as free text. The first of OFF, DEBUG, INFO, ERROR,
// ALL found anywhere in the text (ignoring case) wins; nothing found is OFF,
// so a mistyped setting silences its output rather than flooding it.
LogLevels parseLogLevel(const QString& text);
