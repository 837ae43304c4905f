#include "player/ui/CellDelegate.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/ui/Constants.h"
#include "player/ui/Pixmaps.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

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
    const TypeIcons& images = typeIcons(option.widget);
    QPixmap pixmap = k >= 1 ? images.track : images.rest;

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
        pixmap = k >= 1 ? images.trackSelected : images.restSelected;
    }
    painter->drawPixmap(cell.left() + static_cast<int>(0.22 * w), top + h / 4, pixmap);
}

const CellDelegate::TypeIcons& CellDelegate::typeIcons(const QWidget* widget) const
{
    const int ratio = widget ? widget->devicePixelRatio() : 1;
    if (icons.ratio == ratio)
        return icons;
    // loadPixmap gives the image its ratio, so it paints at its logical size
    // (an icon asked for a pixmap of the whole cell would hand out the "@2x"
    // image at ratio 1, twice as large). The selected form is the one QIcon
    // makes for its Selected mode: the application style's generated pixmap.
    auto* source = const_cast<QWidget*>(widget);
    icons.ratio = ratio;
    icons.track = loadPixmap(source, QStringLiteral(":track_icon"));
    icons.rest = loadPixmap(source, QStringLiteral(":rest_icon"));
    QStyleOption option;
    option.palette = QGuiApplication::palette();
    auto selected = [&option](const QPixmap& normal) {
        QPixmap pixmap = QApplication::style()->generatedIconPixmap(QIcon::Selected, normal, &option);
        pixmap.setDevicePixelRatio(normal.devicePixelRatio());
        return pixmap;
    };
    icons.trackSelected = selected(icons.track);
    icons.restSelected = selected(icons.rest);
    return icons;
}

QSize CellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (option.font != measuredFont) {
        sizeHints.clear();
        measuredFont = option.font;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    auto known = sizeHints.constFind(text);
    if (known != sizeHints.constEnd())
        return *known;
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    sizeHints.insert(text, size);
    return size;
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // The table's only editors are its index widgets (the rows' placeholders
    // and button containers), which fill their cells. The base class finds
    // the same rectangle through a text layout of the cell, for each of some
    // 400 widgets and twice on every load.
    editor->setGeometry(option.rect);
}
