#pragma once

// The back, next, stop and play buttons. The transport controller reaches
// them through the form and drives the player from their released() signals.

#include <QWidget>

class QHBoxLayout;
class TransportButton;

namespace Ui {

class TransportWidget
{
public:
    QHBoxLayout* horizontalLayout = nullptr;
    TransportButton* backButton = nullptr;
    TransportButton* nextButton = nullptr;
    TransportButton* stopButton = nullptr;
    TransportButton* playButton = nullptr;

    void setupUi(QWidget* widget);
    void retranslateUi(QWidget* widget);
};

} // namespace Ui

class TransportWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TransportWidget(QWidget* parent);
    ~TransportWidget() override;

    Ui::TransportWidget* form() const { return ui; }

private:
    Ui::TransportWidget* ui;
};
