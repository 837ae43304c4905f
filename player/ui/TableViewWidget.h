#pragma once

// The track table panel: before the first load a fading-in drop hint, after
// each load the rows of the table model with a movable header (state kept
// under the settings key "header") and, in the "Track" cell of every row but
// the closing total row, an info button and (on track starts) an export
// button. GUI thread only.

#include <QIcon>
#include <QPalette>
#include <QSortFilterProxyModel>
#include <QWidget>

#include <cstdint>
#include <memory>

class DDPModel;
class QLabel;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace Ui {

class TableViewWidget
{
public:
    QVBoxLayout* verticalLayout = nullptr;
    QTableView* tableView = nullptr;

    void setupUi(QWidget* widget);
};

} // namespace Ui

class TableViewWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TableViewWidget(QWidget* parent);
    ~TableViewWidget() override;

    // Called after every load, in this order.
    void showHeader();
    void restoreState();
    void setupHeaderProperties();
    void setupColumnSpecificExtras();

    // Writes the header state to the settings (on closing the window).
    void saveState();

    Ui::TableViewWidget* form() const { return ui; }
    QSortFilterProxyModel& proxyModel() { return proxy; }
    QLabel* dropHint() const { return dropHintLabel; }

    // Set by the main window before the set-up calls of a load; read only for
    // the index list.
    std::shared_ptr<DDPModel> model;

signals:
    void infoButtonClicked(int32_t id, QToolButton* button);
    void exportAsWavButtonClicked(int32_t id);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupTableProperties();
    void animateFadeInText();
    void setupTrackIndicatorWidgets(int width, int height, int row);
    void setupInfoButtonForColumns(int height, int row);

    Ui::TableViewWidget* ui;
    QSortFilterProxyModel proxy;
    QLabel* dropHintLabel = nullptr;
    // The cell buttons' icons of the current load.
    QIcon infoIcon;
    QIcon exportIcon;
    QPalette cellButtonPalette;
};

// The header's colours.
void setupHeaderViewPalette(QPalette& palette);
