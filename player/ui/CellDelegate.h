#pragma once

// Paints every cell of the track table: the row colour by the PQ entry's index
// number, the current track's row in its own colours, and in the "Type"
// column a track or pause icon (with a green pointer on the current track).
// A new one is installed on every load. GUI thread only.

#include <QStyledItemDelegate>

#include <memory>

class DDPModel;

class CellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    CellDelegate(QObject* parent, std::shared_ptr<DDPModel> model);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::shared_ptr<DDPModel> model;
};
