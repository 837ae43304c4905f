#include "player/ui/TableViewWidget.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/ui/Constants.h"
#include "player/ui/FilterHeaderView.h"
#include "player/ui/FontHelper.h"
#include "player/ui/Pixmaps.h"
#include "player/ui/PlayerSettings.h"
#include "player/ui/platform/ButtonOSXEventFilter.h"

#include <QGraphicsOpacityEffect>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSettings>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString headerKey = QStringLiteral("header");

enum CellButtonKind { InfoButton = 0, ExportButton = 1 };

QToolButton* createCellButton(QWidget* cell, int kind, const QIcon& icon, const QPalette& palette)
{
    auto* button = new QToolButton(cell);
    button->setAutoRaise(true);
    button->setFixedSize(20, cell->height());
    int x = 0;
    if (kind == InfoButton) {
        button->setCheckable(true);
        x = cell->width() - 40;
    } else {
        x = cell->width() - 20;
    }
    button->move(x, cell->y());
    button->setPalette(palette);

    button->setIcon(icon);
    button->installEventFilter(new ButtonOSXEventFilter(cell));
    return button;
}

} // namespace

void setupHeaderViewPalette(QPalette& palette)
{
    palette.setColor(QPalette::All, QPalette::ButtonText, headerTextColor);
    palette.setColor(QPalette::All, QPalette::Window, headerBackgroundColor);
    palette.setColor(QPalette::All, QPalette::Highlight, headerBackgroundColor.lighter(150));
}

void Ui::TableViewWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("TableViewWidget"));
    verticalLayout = new QVBoxLayout(widget);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    tableView = new QTableView(widget);
    tableView->setObjectName(QStringLiteral("tableView"));
    verticalLayout->addWidget(tableView);
    QMetaObject::connectSlotsByName(widget);
}

TableViewWidget::TableViewWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TableViewWidget)
{
    // Queued connections and signal spies need the signals' argument types.
    qRegisterMetaType<int32_t>("int32_t");
    qRegisterMetaType<QToolButton*>("QToolButton*");
    ui->setupUi(this);
    setupTableProperties();
    animateFadeInText();
}

TableViewWidget::~TableViewWidget()
{
    delete ui;
}

void TableViewWidget::setupTableProperties()
{
    QTableView* view = ui->tableView;
    if (!view)
        return;
    view->viewport()->setAttribute(Qt::WA_MouseTracking);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setModel(&proxy);
    view->setShowGrid(false);
    view->verticalHeader()->hide();
    view->horizontalHeader()->hide();
    view->setFocusPolicy(Qt::NoFocus);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void TableViewWidget::animateFadeInText()
{
    QPalette palette;
    palette.setColor(QPalette::All, QPalette::WindowText, QColor(90, 91, 92));

    dropHintLabel = new QLabel(this);
    dropHintLabel->setAutoFillBackground(true);
    dropHintLabel->setFont(FontHelper::getBoldFont(FontHelper::Size14));
    dropHintLabel->setText(QStringLiteral("Drop a DDP image or folder here"));
    dropHintLabel->setPalette(palette);
    dropHintLabel->adjustSize();
    dropHintLabel->setGeometry(0, 0, dropHintLabel->width(), dropHintLabel->height());

    auto* effect = new QGraphicsOpacityEffect(this);
    dropHintLabel->setGraphicsEffect(effect);

    // Owned by the effect too, so that a window closed before the fade ends
    // does not leak an animation that never stops.
    auto* animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(1000);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::InBack);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TableViewWidget::resizeEvent(QResizeEvent* event)
{
    if (dropHintLabel)
        dropHintLabel->move(width() / 2 - dropHintLabel->width() / 2, static_cast<int>((height() / 2) * 0.5));
    QWidget::resizeEvent(event);
}

void TableViewWidget::showHeader()
{
    QTableView* view = ui->tableView;
    if (!view)
        return;
    if (dropHintLabel) {
        // The label owns its graphics effect; the running animation stops
        // when its target goes away and deletes itself.
        delete dropHintLabel;
        dropHintLabel = nullptr;
    }

    auto* header = new FilterHeaderView(Qt::Horizontal, this);
    QFont font = header->font();
    font.setWeight(QFont::Bold);
    font.setFamily(fontFamily);
    header->setFont(font);
    header->setFixedHeight(24);

    QPalette palette;
    setupHeaderViewPalette(palette);
    header->setPalette(palette);

    view->setHorizontalHeader(header);
    header->setVisible(true);
    view->resizeColumnsToContents();
}

void TableViewWidget::restoreState()
{
    const std::unique_ptr<QSettings> settings = openPlayerSettings();
    if (settings->status() != QSettings::NoError)
        return;
    const QVariant state = settings->value(headerKey);
    if (state.isValid() && ui->tableView)
        ui->tableView->horizontalHeader()->restoreState(state.toByteArray());
}

void TableViewWidget::saveState()
{
    if (!ui->tableView)
        return;
    const std::unique_ptr<QSettings> settings = openPlayerSettings();
    settings->setValue(headerKey, ui->tableView->horizontalHeader()->saveState());
}

void TableViewWidget::setupHeaderProperties()
{
    QTableView* view = ui->tableView;
    if (!view)
        return;
    QHeaderView* header = view->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft);
    header->setSectionsMovable(true);
    header->setDragEnabled(true);
    header->setDragDropMode(QAbstractItemView::InternalMove);
    header->setDropIndicatorShown(true);
    header->setStretchLastSection(true);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    view->setColumnWidth(0, 70);
    view->setColumnWidth(1, 50);
}

void TableViewWidget::setupColumnSpecificExtras()
{
    QTableView* view = ui->tableView;
    if (!view)
        return;
    // One icon of each kind serves every row: a QIcon made from a resource
    // name without a suffix consults the MIME database, and the save icon is
    // scaled and tinted, which together cost more than the rest of a row (a
    // 99-track image has over 200 rows). The info icon adapts to the screen
    // by itself; the save icon is made anew for each load's ratio.
    if (infoIcon.isNull())
        infoIcon = QIcon(QStringLiteral(":info_icon"));
    const int side = static_cast<int>(19 * view->devicePixelRatioF());
    const QPixmap scaled = loadPixmap(view, QStringLiteral(":save_icon"))
                               .scaled(side, side, Qt::KeepAspectRatio, Qt::FastTransformation);
    exportIcon = QIcon(recolorPixmap(scaled, QColor(109, 109, 109)));
    // The buttons' own palette with a transparent panel, made once as well.
    cellButtonPalette = view->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Mid, QPalette::Highlight})
        cellButtonPalette.setColor(QPalette::All, role, Qt::transparent);

    const int widened = view->columnWidth(1) + 20;
    view->setColumnWidth(1, widened);

    const int rows = view->model() ? view->model()->rowCount() : 0;
    if (rows < 2)
        return;
    // The last row is the table model's total row: no buttons there.
    for (int row = 0; row <= rows - 2; ++row) {
        const int height = view->rowHeight(row);
        setupInfoButtonForColumns(height, row);
        setupTrackIndicatorWidgets(widened, height, row);
    }
}

void TableViewWidget::setupTrackIndicatorWidgets(int width, int height, int row)
{
    auto* placeholder = new QWidget(ui->tableView);
    placeholder->setFixedSize(width, height);
    ui->tableView->setIndexWidget(proxy.index(row, 0), placeholder);
}

void TableViewWidget::setupInfoButtonForColumns(int height, int row)
{
    QTableView* view = ui->tableView;
    if (!view)
        return;
    auto* container = new QWidget(view);
    container->setFixedSize(view->columnWidth(1), height);

    // The handlers live as long as the row's container: a later load replaces
    // the containers (and may keep the header), so nothing may outlive them.
    QToolButton* infoButton = createCellButton(container, InfoButton, infoIcon, cellButtonPalette);
    connect(infoButton, &QToolButton::clicked, container,
            [this, row, infoButton] { emit infoButtonClicked(row, infoButton); }, Qt::DirectConnection);

    const std::vector<int>* indexList = model ? &model->getIndexList() : nullptr;
    if (indexList && static_cast<std::size_t>(row) < indexList->size() && (*indexList)[static_cast<std::size_t>(row)] == 1) {
        QToolButton* exportButton = createCellButton(container, ExportButton, exportIcon, cellButtonPalette);
        connect(exportButton, &QToolButton::clicked, container,
                [this, row] { emit exportAsWavButtonClicked(row); }, Qt::DirectConnection);
        exportButton->setToolTip(QStringLiteral("Export as WAV"));
    }

    view->setIndexWidget(proxy.index(row, 1), container);

    connect(view->horizontalHeader(), &QHeaderView::sectionResized, container,
            [view, container](int logicalIndex, int, int newSize) {
                if (logicalIndex == 1 && container->width() > newSize)
                    view->setColumnWidth(1, container->width());
            },
            Qt::DirectConnection);
}
