#pragma once

// The frameless About box: painted background image, a close button at the
// top left and the version line at the lower left. Created on the caller's
// stack with the main window as parent (never null: the box centres on it).

#include <QDialog>

class QPaintEvent;

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
