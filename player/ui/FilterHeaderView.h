#pragma once

// The track table's horizontal header. Sections 0 and 1 ("Type" and "Track",
// which carry the row icons and buttons) cannot be pressed or dragged, and a
// section dropped onto their places goes back where it came from.
// GUI thread only.

#include <QHeaderView>

class FilterHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    FilterHeaderView(Qt::Orientation orientation, QWidget* parent);

public slots:
    void onSectionMoved(int logicalIndex, int oldVisualIndex, int newVisualIndex);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
