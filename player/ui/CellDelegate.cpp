#include "player/ui/CellDelegate.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/ui/Constants.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

struct RowColors
{
    QColor background;
    QColor text;
};

RowColors colorsForIndex(int indexNumber)
{
    // Entries 0 and 1 of the lists; every other number, negative ones
    // included, takes the lists' last entry.
    const auto k = static_cast<unsigned>(indexNumber);
    if (k < rowBackgroundColors.size() - 1)
        return {rowBackgroundColors[k], rowTextColors[k]};
    return {rowBackgroundColor, QColor(Qt::lightGray)};
}

} // namespace

CellDelegate::CellDelegate(QObject* parent, std::shared_ptr<DDPModel> model)
    : QStyledItemDelegate(parent)
    , model(std::move(model))
{
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    opt.palette.setColor(QPalette::All, QPalette::Highlight, highlightColor);
    opt.palette.setColor(QPalette::All, QPalette::HighlightedText, Qt::white);

    const int row = index.row();
    static const std::vector<int> noRows;
    const std::vector<int>& list = model ? model->getIndexList() : noRows;
    const int currentTrack = model ? model->getTrackNumber() : -1;
    const bool listed = row >= 0 && static_cast<std::size_t>(row) < list.size();
    const int k = listed ? list[static_cast<std::size_t>(row)] : 0;

    RowColors colors;
    if (row == currentTrack)
        colors = {currentRowColor, QColor(Qt::white)};
    else if (listed)
        colors = colorsForIndex(k);
    else
        colors = {emptyRowColor, QColor(Qt::lightGray)};

    painter->fillRect(option.rect, colors.background);
    opt.palette.setColor(QPalette::All, QPalette::Text, colors.text);
    opt.displayAlignment |= Qt::AlignLeft;
    QStyledItemDelegate::paint(painter, opt, index);

    if (!listed || index.column() != 0)
        return;

    const QRect cell = option.rect;
    const int w = cell.width();
    const int h = cell.height();
    const int top = cell.top();
    const QIcon icon(k >= 1 ? QStringLiteral(":track_icon") : QStringLiteral(":rest_icon"));
    QPixmap pixmap = icon.pixmap(QSize(w, h), QIcon::Normal, QIcon::Off);

    if (row == model->getTrackNumber()) {
        // Column 0 is always the leftmost column, so the pointer starts at
        // the view's left edge.
        QPainterPath pointer;
        pointer.moveTo(0, top);
        pointer.lineTo(0.5 * w, top);
        pointer.lineTo(0.65 * w, top + 0.5 * h);
        pointer.lineTo(0.5 * w, top + h);
        pointer.lineTo(0, top + h);
        pointer.closeSubpath();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->fillPath(pointer, accentGreenColor);
        pixmap = icon.pixmap(QSize(w, h), QIcon::Selected, QIcon::Off);
    }
    painter->drawPixmap(cell.left() + static_cast<int>(0.22 * w), top + h / 4, pixmap);
}
