#include "updater/infrastructure/DialogLogAppender.h"

#include "updater/infrastructure/LogLine.h"
#include "updater/infrastructure/LogMonitorDialog.h"

#include <QMetaObject>

DialogLogAppender::DialogLogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent)
    : LogAppender(level, excludedClassNames, parent)
    , dialog_(new LogMonitorDialog())
{
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

DialogLogAppender::~DialogLogAppender()
{
    // After this no thread can post to the window any more; rows already
    // posted are dropped with it.
    detachFromHub();
    delete dialog_;
}

LogMonitorDialog* DialogLogAppender::dialog() const
{
    return dialog_;
}

void DialogLogAppender::writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                                 LogLevels level, const QDateTime& time)
{
    LogMonitorDialog* dialog = dialog_;
    QMetaObject::invokeMethod(
        dialog,
        [dialog, timeText = formatLogTime(time), shortText, fullText, className, level] {
            dialog->addRow(timeText, shortText, fullText, className, level);
        },
        Qt::QueuedConnection);
}
