#pragma once

// A tool button whose icon fills it, less a margin, but never shrinks under
// a minimum side.

#include <QToolButton>

class TransportButton : public QToolButton
{
public:
    explicit TransportButton(QWidget* parent);

    // The icon side for the given button size.
    int iconSide(const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int iconMargin;
    int minimumIconSide;
};
