#include "player/ui/FilterHeaderView.h"

#include <QMouseEvent>

FilterHeaderView::FilterHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
    connect(this, &QHeaderView::sectionMoved, this, &FilterHeaderView::onSectionMoved);
}

void FilterHeaderView::onSectionMoved(int, int oldVisualIndex, int newVisualIndex)
{
    // A move that started at position 0 or 1 can only come from a restored
    // header state; undoing it would bounce between the two places forever.
    if (oldVisualIndex == 0 || oldVisualIndex == 1)
        return;
    if (newVisualIndex == 0 || newVisualIndex == 1)
        moveSection(newVisualIndex, oldVisualIndex);
}

void FilterHeaderView::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->localPos().toPoint();
    const int section = logicalIndexAt(orientation() == Qt::Horizontal ? p.x() : p.y());
    if (section == 0 || section == 1) {
        event->ignore();
        return;
    }
    QHeaderView::mousePressEvent(event);
}
