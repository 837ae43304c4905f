#pragma once

#include "updater/infrastructure/LogLevels.h"

class QDateTime;

// "2026-03-05 09:07:02.045 ClassName LEVEL :: short[ :: full]"; the second
// separator appears only when there is a full text.
QString formatLogLine(const QString& shortText, const QString& fullText, const QString& className,
                      LogLevels level, const QDateTime& time);

// The local-time stamp at the start of every log line.
QString formatLogTime(const QDateTime& time);
