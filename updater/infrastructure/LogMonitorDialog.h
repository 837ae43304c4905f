#pragma once

#include "updater/infrastructure/LogLevels.h"

#include <QDialog>

class QTableWidget;

// A window that shows the log live: one table row per entry, with the
// columns "date", "short msg", "long msg", "class name" and "level". Sorting
// by any column is on; a new row takes its sorted place with its five cells
// together.
//
// Threads: GUI thread only (it is a widget). Entries from other threads
// reach it through DialogLogAppender, which hands them over queued.
class LogMonitorDialog : public QDialog {
    Q_OBJECT
public:
    explicit LogMonitorDialog(QWidget* parent = nullptr);

    // Adds one row. The time, class-name and level cells are read-only; the
    // level cell of an ERROR entry is red.
    void addRow(const QString& timeText, const QString& shortText, const QString& fullText, const QString& className,
                LogLevels level);

    QTableWidget* table() const;

private:
    QTableWidget* table_;
};
