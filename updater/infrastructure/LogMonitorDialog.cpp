#include "updater/infrastructure/LogMonitorDialog.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <numeric>

namespace {

// The order the table has always sorted texts in: as the user's locale
// orders them.
bool textBefore(const QString& a, const QString& b, Qt::SortOrder order)
{
    const int compared = a.localeAwareCompare(b);
    return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
}

bool isTextColumn(int column)
{
    return column == LogTableModel::ShortColumn || column == LogTableModel::LongColumn;
}

} // namespace

LogTableModel::LogTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    connect(&sortWatcher_, &QFutureWatcher<std::vector<int>>::finished, this, [this] {
        if (!sortWatcher_.isCanceled())
            applySort(sortWatcher_.result(), sortedRowCount_);
    });
}

LogTableModel::~LogTableModel() = default;

QString LogTableModel::cutText(const QString& text)
{
    int end = -1;
    for (int line = 0; line < kShownLines; ++line) {
        end = text.indexOf(QLatin1Char('\n'), end + 1);
        if (end < 0)
            break;
    }
    const bool manyLines = end >= 0 && end + 1 < text.size();
    if (!manyLines && text.size() <= kShownCharacters)
        return QString();
    const int keep = qMin(manyLines ? end : text.size(), kShownCharacters);
    return text.left(keep) + QStringLiteral(" \u2026");
}

bool LogTableModel::before(int a, int b) const
{
    return textBefore(entries_[static_cast<size_t>(a)].texts[sortColumn_],
                      entries_[static_cast<size_t>(b)].texts[sortColumn_], sortOrder_);
}

std::vector<int>::iterator LogTableModel::sortedPlace(int entry)
{
    // After the rows equal to it: equal rows keep the order they came in.
    return std::upper_bound(shown_.begin(), shown_.end(), entry, [this](int a, int b) { return before(a, b); });
}

const LogTableModel::Row& LogTableModel::shownRow(int row) const
{
    return entries_[static_cast<size_t>(shown_[static_cast<size_t>(row)])];
}

void LogTableModel::addRow(const QString& timeText, const QString& shortText, const QString& fullText,
                           const QString& className, LogLevels level)
{
    Row row;
    row.texts[DateColumn] = timeText;
    row.texts[ShortColumn] = shortText;
    row.texts[LongColumn] = fullText;
    row.texts[ClassColumn] = className;
    row.texts[LevelColumn] = logLevelName(level);
    row.shown[ShortColumn] = cutText(shortText);
    row.shown[LongColumn] = cutText(fullText);
    row.error = level == ERROR;
    const int entry = static_cast<int>(entries_.size());
    entries_.push_back(std::move(row));

    // While a sort runs the rows are in no order yet: the new one waits at
    // the end until the sort is applied.
    const auto place = sortColumn_ >= 0 && !isSorting() ? sortedPlace(entry) : shown_.end();
    const int at = static_cast<int>(place - shown_.begin());
    beginInsertRows(QModelIndex(), at, at);
    shown_.insert(place, entry);
    endInsertRows();
}

int LogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int LogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return QVariant();
    const Row& row = shownRow(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row.shown[column].isEmpty() ? row.texts[column] : row.shown[column];
    case Qt::UserRole:
        return row.texts[column];
    case Qt::BackgroundRole:
        if (column == LevelColumn && row.error)
            return QBrush(QColor(255, 0, 0, 255));
        return QVariant();
    default:
        return QVariant();
    }
}

bool LogTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Row& row = entries_[static_cast<size_t>(shown_[static_cast<size_t>(index.row())])];
    row.texts[index.column()] = value.toString();
    row.shown[index.column()] = cutText(row.texts[index.column()]);
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags LogTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    // As a table item's: the texts may be edited in place, unless cut.
    if (isTextColumn(index.column()) && shownRow(index.row()).shown[index.column()].isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const labels[ColumnCount] = {"date", "short msg", "long msg", "class name", "level"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(labels[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool LogTableModel::isSorting() const
{
    return sortWatcher_.isRunning();
}

void LogTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    sortColumn_ = column;
    sortOrder_ = order;
    // The texts are shared, not copied: a snapshot costs a pointer an entry.
    std::vector<QString> keys;
    keys.reserve(entries_.size());
    for (const Row& row : entries_)
        keys.push_back(row.texts[column]);
    sortedRowCount_ = static_cast<int>(keys.size());
    sortWatcher_.cancel();
    // On the global pool, which the end of the run waits for: a sort still
    // running while the process's static objects go would compare texts
    // with a collator that is gone.
    sortWatcher_.setFuture(QtConcurrent::run([keys = std::move(keys), order] {
        std::vector<int> sequence(keys.size());
        std::iota(sequence.begin(), sequence.end(), 0);
        std::stable_sort(sequence.begin(), sequence.end(), [&keys, order](int a, int b) {
            return textBefore(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)], order);
        });
        return sequence;
    }));
}

void LogTableModel::applySort(const std::vector<int>& sorted, int rowsSorted)
{
    if (static_cast<int>(sorted.size()) != rowsSorted || rowsSorted > static_cast<int>(entries_.size()))
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> previous = shown_;
    shown_ = sorted;
    // Entries that came while the sort ran, each into its sorted place.
    for (int entry = rowsSorted; entry < static_cast<int>(entries_.size()); ++entry)
        shown_.insert(sortedPlace(entry), entry);
    std::vector<int> rowOf(entries_.size(), 0);
    for (size_t row = 0; row < shown_.size(); ++row)
        rowOf[static_cast<size_t>(shown_[row])] = static_cast<int>(row);
    const QModelIndexList kept = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(kept.size());
    for (const QModelIndex& index : kept)
        moved.append(this->index(rowOf[static_cast<size_t>(previous[static_cast<size_t>(index.row())])],
                                 index.column()));
    changePersistentIndexList(kept, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit this->sorted();
}

LogMonitorDialog::LogMonitorDialog(QWidget* parent)
    : QDialog(parent)
    , model_(new LogTableModel(this))
    , table_(new QTableView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);

    table_->setModel(model_);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(LogTableModel::DateColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(LogTableModel::ShortColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(LogTableModel::LongColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(LogTableModel::ClassColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(LogTableModel::LevelColumn, QHeaderView::ResizeToContents);
    table_->setSortingEnabled(true);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    connect(table_, &QAbstractItemView::doubleClicked, this, &LogMonitorDialog::showWholeText);

    resize(800, 400);
    move(0, 0);
    // A window beside the run, not of it: it neither keeps the updater
    // running once the wizard is closed, nor ends the run when it is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
}

QTableView* LogMonitorDialog::table() const
{
    return table_;
}

LogTableModel* LogMonitorDialog::model() const
{
    return model_;
}

int LogMonitorDialog::rowCount() const
{
    return model_->rowCount();
}

void LogMonitorDialog::addRow(const QString& timeText, const QString& shortText, const QString& fullText,
                              const QString& className, LogLevels level)
{
    model_->addRow(timeText, shortText, fullText, className, level);
}

void LogMonitorDialog::showWholeText(const QModelIndex& index)
{
    const QString whole = index.data(Qt::UserRole).toString();
    if (!index.isValid() || index.data(Qt::DisplayRole).toString() == whole)
        return;
    auto* viewer = new QDialog(this);
    viewer->setObjectName(QStringLiteral("wholeLogText"));
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setAttribute(Qt::WA_QuitOnClose, false);
    viewer->setWindowTitle(model_->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString());
    auto* text = new QPlainTextEdit(viewer);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(whole);
    auto* layout = new QVBoxLayout(viewer);
    layout->addWidget(text);
    viewer->resize(800, 500);
    viewer->show();
}
