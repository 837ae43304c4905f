#include "updater/infrastructure/LogMonitorDialog.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QVBoxLayout>

namespace {

enum Column { DateColumn, ShortColumn, LongColumn, ClassColumn, LevelColumn, ColumnCount };

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

LogMonitorDialog::LogMonitorDialog(QWidget* parent)
    : QDialog(parent)
    , table_(new QTableWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);

    table_->setColumnCount(ColumnCount);
    table_->setHorizontalHeaderLabels({QStringLiteral("date"), QStringLiteral("short msg"), QStringLiteral("long msg"),
                                       QStringLiteral("class name"), QStringLiteral("level")});
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(DateColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ShortColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(LongColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(ClassColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(LevelColumn, QHeaderView::ResizeToContents);
    table_->setSortingEnabled(true);
    table_->setAlternatingRowColors(true);

    resize(800, 400);
    move(0, 0);
    // A window beside the run, not of it: it neither keeps the updater
    // running once the wizard is closed, nor ends the run when it is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
}

QTableWidget* LogMonitorDialog::table() const
{
    return table_;
}

void LogMonitorDialog::addRow(const QString& timeText, const QString& shortText, const QString& fullText,
                              const QString& className, LogLevels level)
{
    QTableWidgetItem* items[ColumnCount] = {readOnlyItem(timeText), new QTableWidgetItem(shortText),
                                            new QTableWidgetItem(fullText), readOnlyItem(className),
                                            readOnlyItem(logLevelName(level))};
    if (level == ERROR)
        items[LevelColumn]->setBackground(QBrush(QColor(255, 0, 0, 255)));

    // With sorting on, setting the item of the sort column moves the row to
    // its sorted place; every other cell must already be in it by then, or
    // the rest of the entry would land in whichever row took the old index.
    const int row = table_->rowCount();
    table_->insertRow(row);
    const int sortColumn = table_->isSortingEnabled() ? table_->horizontalHeader()->sortIndicatorSection() : -1;
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != sortColumn)
            table_->setItem(row, column, items[column]);
    }
    if (sortColumn >= 0 && sortColumn < ColumnCount)
        table_->setItem(row, sortColumn, items[sortColumn]);
}
