#pragma once

// The main window's central area: the title/menu bar, the control section
// and the meter section stacked on the window's dark rounded body, the two
// logos at the bottom and a size grip in the bottom-right corner.
// GUI thread only.

#include <QWidget>

class ControlSectionWidget;
class MenuBar;
class MeterSectionWidget;
class QHBoxLayout;
class QLabel;
class QSizeGrip;
class QSpacerItem;
class QVBoxLayout;

namespace Ui {

class CentralWidget
{
public:
    QVBoxLayout* verticalLayout1 = nullptr;
    QHBoxLayout* horizontalLayoutMenu = nullptr;
    MenuBar* menuBar = nullptr;
    QVBoxLayout* verticalLayout2 = nullptr;
    ::ControlSectionWidget* controlSection = nullptr;
    ::MeterSectionWidget* meterSection = nullptr;
    QSpacerItem* verticalSpacer = nullptr;
    QHBoxLayout* horizontalLayout4 = nullptr;
    QLabel* holmgraveLogoLabel = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    QLabel* ddpLogoLabel = nullptr;

    void setupUi(QWidget* widget);
};

} // namespace Ui

class CentralWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CentralWidget(QWidget* parent);
    ~CentralWidget() override;

    Ui::CentralWidget* form() const { return ui; }
    QSizeGrip* sizeGrip() const { return grip; }

signals:
    // Nothing emits it yet; the main window resizes itself by the deltas.
    void resized(int deltaX, int deltaY);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Ui::CentralWidget* ui;
    QSizeGrip* grip;
};
