#pragma once

#include "updater/infrastructure/LogAppender.h"

// Writes each line as one Qt debug message, wrapped in double quotes.
class ConsoleLogAppender : public LogAppender {
    Q_OBJECT
public:
    ConsoleLogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent);
    ~ConsoleLogAppender() override;

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;
};
