#pragma once

// A slider that jumps to the clicked position on a left press (instead of
// paging) and reports sliderReleased() after every press and release pair,
// also after a click on the groove.

#include <QSlider>

class SeekSlider : public QSlider
{
public:
    explicit SeekSlider(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
