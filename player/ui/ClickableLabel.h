#pragma once

// A label that reports presses as clicked() and has no other mouse behaviour
// (no text selection, no link handling).

#include <QLabel>

class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
