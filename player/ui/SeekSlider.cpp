#include "player/ui/SeekSlider.h"

#include <QMouseEvent>

SeekSlider::SeekSlider(QWidget* parent)
    : QSlider(parent)
{
}

void SeekSlider::mousePressEvent(QMouseEvent* event)
{
    setSliderDown(true);
    if (event->button() == Qt::LeftButton) {
        // Widened products give the same values as 32-bit ones for the
        // player's 0..10000 range without overflowing on wide ranges; a
        // zero-sized slider has no position to map and keeps the minimum.
        const qint64 span = qint64(maximum()) - minimum();
        qint64 value = minimum();
        if (orientation() == Qt::Horizontal) {
            const int x = qRound(event->localPos().x());
            if (width() > 0)
                value = minimum() + x * span / width();
        } else {
            const int y = qRound(event->localPos().y());
            if (height() > 0)
                value = minimum() + (height() - y) * span / height();
        }
        setValue(static_cast<int>(value));
        event->accept();
    }
    QSlider::mousePressEvent(event);
}

void SeekSlider::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    setSliderDown(false);
}
