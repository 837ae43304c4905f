#pragma once

// Paints every cell of the track table: the row colour by the PQ entry's index
// number, the current track's row in its own colours, and in the "Type"
// column a track or pause icon (with a green pointer on the current track).
// A new one is installed on every load. GUI thread only.

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStyledItemDelegate>

#include <memory>

class DDPModel;

class CellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    CellDelegate(QObject* parent, std::shared_ptr<DDPModel> model);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    // The "Type" column's images for one device pixel ratio, each at its
    // logical size (16 x 16 points, from the "@2x" image on dense screens).
    // Made on the first paint at a ratio, not per cell: a QIcon made from a
    // resource name without a suffix consults the MIME database.
    struct TypeIcons
    {
        int ratio = 0;
        QPixmap track;
        QPixmap rest;
        QPixmap trackSelected;
        QPixmap restSelected;
    };
    const TypeIcons& typeIcons(const QWidget* widget) const;

    std::shared_ptr<DDPModel> model;
    mutable TypeIcons icons;
    // Size hints by cell text, for the font they were measured in. The
    // table's items hold nothing but their text, and a load's fitting of the
    // columns asks for every cell (thousands, with few distinct texts).
    mutable QFont measuredFont;
    mutable QHash<QString, QSize> sizeHints;
};
