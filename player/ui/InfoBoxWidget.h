#pragma once

// The strip above the track table with the loaded disc's album title, artist
// and UPC/EAN on a dark dotted panel. Keeps the full texts and cuts them to
// the labels' widths (with an ellipsis) whenever it is resized; the tooltips
// give the full texts. GUI thread only.

#include <QString>
#include <QWidget>

#include <memory>

class DDPModel;
class QGridLayout;
class QLabel;
class QVBoxLayout;

namespace Ui {

class InfoBoxWidget
{
public:
    QVBoxLayout* mainInfoLayout = nullptr;
    QGridLayout* gridLayout = nullptr;
    QLabel* albumCaptionLabel = nullptr;
    QLabel* artistCaptionLabel = nullptr;
    QLabel* upcEanCaptionLabel = nullptr;
    QLabel* albumLabel = nullptr;
    QLabel* artistLabel = nullptr;
    QLabel* upcEanLabel = nullptr;

    void setupUi(QWidget* widget);
    void retranslateUi(QWidget* widget);
};

} // namespace Ui

class InfoBoxWidget : public QWidget
{
    Q_OBJECT

public:
    explicit InfoBoxWidget(QWidget* parent);
    ~InfoBoxWidget() override;

    // Fills the three value labels from a freshly loaded disc.
    void setupLabel(std::shared_ptr<DDPModel> model);

    Ui::InfoBoxWidget* form() const { return ui; }
    QString albumText() const { return album; }
    QString artistText() const { return artist; }
    QString upcEanText() const { return upcEan; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::InfoBoxWidget* ui;
    QString album;
    QString artist;
    QString upcEan;
};
