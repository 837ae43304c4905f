#pragma once

#include "updater/infrastructure/LogLevels.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QFutureWatcher>
#include <QString>

#include <vector>

class QTableView;

// The log monitor's rows. A text longer than kShownLines lines or
// kShownCharacters characters is shown cut, with "…" at its end, and is not
// edited in place (an edit would keep only the cut); the whole text is kept
// (Qt::UserRole) and the dialog shows it on demand. Texts are painted and
// measured cut only: one server answer of megabytes cost seconds per repaint.
//
// Sorting runs on a thread of the global pool over a snapshot of the column's
// texts and is applied when it is done, so that sorting tens of thousands of rows
// never holds the GUI thread; rows added meanwhile take their sorted place
// once it is applied. With a sort column set, each new row takes its sorted
// place at once (after the rows equal to it).
//
// Threads: GUI thread only.
class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, ShortColumn, LongColumn, ClassColumn, LevelColumn, ColumnCount };

    static constexpr int kShownLines = 3;
    static constexpr int kShownCharacters = 500;

    explicit LogTableModel(QObject* parent = nullptr);
    ~LogTableModel() override;

    void addRow(const QString& timeText, const QString& shortText, const QString& fullText, const QString& className,
                LogLevels level);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Starts the sort; it is applied later (see above).
    void sort(int column, Qt::SortOrder order) override;

    // A sort is under way and not applied yet.
    bool isSorting() const;

signals:
    // A sort has been applied to the rows.
    void sorted();

private:
    struct Row {
        QString texts[ColumnCount];
        // The cut form of the short and long texts; empty when shown whole.
        QString shown[ColumnCount];
        bool error = false;
    };

    // sorted: the entries of the first rowsSorted, in their new order.
    void applySort(const std::vector<int>& sorted, int rowsSorted);
    // Entry a comes before entry b in the sort column.
    bool before(int a, int b) const;
    // Where entry takes its sorted place among the shown rows.
    std::vector<int>::iterator sortedPlace(int entry);
    const Row& shownRow(int row) const;
    static QString cutText(const QString& text);

    // The entries in the order they came; the rows show them in shown_'s
    // order (entry numbers), so that a new row moves numbers, not texts.
    std::vector<Row> entries_;
    std::vector<int> shown_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    // Each sort replaces the one before; only the last one is applied.
    QFutureWatcher<std::vector<int>> sortWatcher_;
    int sortedRowCount_ = 0;
};

// A window that shows the log live: one table row per entry, with the
// columns "date", "short msg", "long msg", "class name" and "level". Sorting
// by any column is on; a new row takes its sorted place with its five cells
// together. A double-click on a cut text shows it whole in a window of its
// own.
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

    QTableView* table() const;
    LogTableModel* model() const;
    int rowCount() const;

    // The whole text of a cell, in a read-only window; nothing for a text
    // that is shown whole.
    void showWholeText(const QModelIndex& index);

private:
    LogTableModel* model_;
    QTableView* table_;
};
