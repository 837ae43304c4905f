#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"
#include "player/ui/AttributesMenu.h"
#include "player/ui/CellDelegate.h"
#include "player/ui/DDPModelAdapter.h"
#include "player/ui/FilterHeaderView.h"
#include "player/ui/PlayerSettings.h"
#include "player/ui/TableViewWidget.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A table panel as the main window drives it after a load, on a generated
// image, with the settings store in a scratch folder.
struct TablePanel : ::testing::Test
{
    TablePanel()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
        widget.resize(700, 500);
        widget.show();
    }

    void load(const DdpFixture::Options& options)
    {
        dirs.push_back(std::make_unique<QTemporaryDir>());
        image = DdpFixture::write(dirs.back()->path().toStdString(), options);
        model = std::make_shared<DDPModel>();
        adapter.setupModel(dirs.back()->path(), model, widget.proxyModel());
        widget.model = model;
        view()->setItemDelegate(new CellDelegate(view(), model));
        widget.showHeader();
        widget.restoreState();
        widget.setupHeaderProperties();
        widget.setupColumnSpecificExtras();
    }

    void loadDefault()
    {
        DdpFixture::Options o;
        o.trackCount = 4;
        o.tracksWithPause = 2;
        o.tracksWithIndex2 = 1;
        o.cdText = DdpFixture::CdTextKind::Latin1;
        load(o);
    }

    QTableView* view() const { return widget.form()->tableView; }
    QHeaderView* header() const { return view()->horizontalHeader(); }
    QList<QToolButton*> buttonsOf(int row)
    {
        QWidget* cell = view()->indexWidget(widget.proxyModel().index(row, 1));
        return cell ? cell->findChildren<QToolButton*>() : QList<QToolButton*>();
    }
    QColor pixelOf(const QImage& grab, int row, int column, int dx = 0)
    {
        const QRect r = view()->visualRect(widget.proxyModel().index(row, column));
        const QPoint p = view()->viewport()->mapTo(&widget, r.topLeft()) + QPoint(dx, r.height() - 2);
        return grab.pixelColor(p);
    }

    QTemporaryDir store;
    std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model;
    DDPModelAdapter adapter;
    TableViewWidget widget{nullptr};
};

} // namespace

TEST_F(TablePanel, DropHintShowsUntilTheFirstLoadAndNeverReturns)
{
    ASSERT_NE(widget.dropHint(), nullptr);
    EXPECT_EQ(widget.dropHint()->text(), "Drop a DDP image or folder here");
    EXPECT_FALSE(header()->isVisible());
    widget.resize(800, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.dropHint()->x(), 400 - widget.dropHint()->width() / 2);
    EXPECT_EQ(widget.dropHint()->y(), 100);

    loadDefault();
    EXPECT_EQ(widget.dropHint(), nullptr);
    EXPECT_TRUE(header()->isVisible());
    EXPECT_NE(qobject_cast<FilterHeaderView*>(header()), nullptr);
    loadDefault();
    EXPECT_EQ(widget.dropHint(), nullptr);
}

TEST_F(TablePanel, RowButtonsOnlyWherePlacedAndTheyReportTheirRow)
{
    loadDefault();
    const int rows = widget.proxyModel().rowCount();
    const std::vector<int>& indexes = model->getIndexList();
    ASSERT_EQ(static_cast<int>(indexes.size()), rows - 1);
    for (int r = 0; r < rows - 1; ++r) {
        SCOPED_TRACE(r);
        const QList<QToolButton*> buttons = buttonsOf(r);
        ASSERT_EQ(buttons.size(), indexes[static_cast<std::size_t>(r)] == 1 ? 2 : 1);
        EXPECT_NE(view()->indexWidget(widget.proxyModel().index(r, 0)), nullptr);
        EXPECT_EQ(buttons[0]->x(), view()->columnWidth(1) - 40);
        EXPECT_TRUE(buttons[0]->isCheckable());
    }
    EXPECT_TRUE(buttonsOf(rows - 1).isEmpty());
    EXPECT_EQ(view()->indexWidget(widget.proxyModel().index(rows - 1, 0)), nullptr);

    QSignalSpy infos(&widget, &TableViewWidget::infoButtonClicked);
    QSignalSpy exports(&widget, &TableViewWidget::exportAsWavButtonClicked);
    const int trackRow = static_cast<int>(std::find(indexes.begin(), indexes.end(), 1) - indexes.begin());
    const QList<QToolButton*> buttons = buttonsOf(trackRow);
    buttons[0]->click();
    ASSERT_EQ(infos.count(), 1);
    EXPECT_EQ(infos[0][0].toInt(), trackRow);
    EXPECT_EQ(infos[0][1].value<QToolButton*>(), buttons[0]);
    buttons[1]->click();
    ASSERT_EQ(exports.count(), 1);
    EXPECT_EQ(exports[0][0].toInt(), trackRow);
    EXPECT_EQ(buttons[1]->toolTip(), "Export as WAV");
}

TEST_F(TablePanel, TypeAndTrackStayInFrontAt70PixelsWhateverTheStoredState)
{
    loadDefault();
    EXPECT_EQ(view()->columnWidth(0), 70);
    EXPECT_EQ(view()->columnWidth(1), 70);

    // Column 1 cannot be made narrower than its buttons.
    view()->resizeColumnToContents(1);
    EXPECT_EQ(view()->columnWidth(1), 70);
    view()->setColumnWidth(3, 150);
    EXPECT_EQ(view()->columnWidth(3), 150);

    // Dropping a section onto the first two places is undone; onto 2 it stays.
    header()->moveSection(header()->visualIndex(5), 1);
    EXPECT_EQ(header()->logicalIndex(0), 0);
    EXPECT_EQ(header()->logicalIndex(1), 1);
    EXPECT_EQ(header()->visualIndex(5), 5);
    header()->moveSection(header()->visualIndex(5), 2);
    EXPECT_EQ(header()->logicalIndex(2), 5);

    view()->setColumnHidden(7, true);
    header()->resizeSection(0, 200);
    widget.saveState();

    loadDefault();
    EXPECT_EQ(header()->logicalIndex(2), 5);
    EXPECT_TRUE(view()->isColumnHidden(7));
    EXPECT_EQ(view()->columnWidth(0), 70);
    EXPECT_EQ(view()->columnWidth(1), 70);
}

TEST_F(TablePanel, ARestoredStateWithASectionInFrontDoesNotBounce)
{
    loadDefault();
    FilterHeaderView* filter = qobject_cast<FilterHeaderView*>(header());
    ASSERT_NE(filter, nullptr);
    QSignalSpy moves(header(), &QHeaderView::sectionMoved);
    filter->onSectionMoved(0, 1, 0);   // a move that started in front is left alone
    EXPECT_EQ(moves.count(), 0);
}

TEST_F(TablePanel, PressesOnTypeAndTrackSectionsStartNothing)
{
    loadDefault();
    header()->setSectionsClickable(true);
    QSignalSpy pressed(header(), &QHeaderView::sectionPressed);
    const int y = header()->height() / 2;
    QTest::mousePress(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header()->sectionViewportPosition(0) + 5, y));
    QTest::mouseRelease(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(header()->sectionViewportPosition(0) + 5, y));
    QTest::mousePress(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header()->sectionViewportPosition(1) + 5, y));
    QTest::mouseRelease(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(header()->sectionViewportPosition(1) + 5, y));
    EXPECT_EQ(pressed.count(), 0);
    QTest::mousePress(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header()->sectionViewportPosition(3) + 5, y));
    QTest::mouseRelease(header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(header()->sectionViewportPosition(3) + 5, y));
    EXPECT_EQ(pressed.count(), 1);
}

TEST_F(TablePanel, RowColoursFollowIndexNumbersAndTheCurrentTrack)
{
    loadDefault();
    const std::vector<int>& indexes = model->getIndexList();
    const int rows = widget.proxyModel().rowCount();
    auto rowWith = [&](int k) {
        return static_cast<int>(std::find(indexes.begin(), indexes.end(), k) - indexes.begin());
    };
    const int pauseRow = rowWith(0);
    const int startRow = rowWith(1);
    const int index2Row = rowWith(2);
    ASSERT_LT(index2Row, rows - 1);
    ASSERT_LT(pauseRow, rows - 1);

    QPalette palette = view()->viewport()->palette();
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    view()->viewport()->setPalette(palette);

    QImage grab = widget.grab().toImage();
    EXPECT_EQ(pixelOf(grab, startRow, 4, 60), QColor(43, 45, 47));
    EXPECT_EQ(pixelOf(grab, index2Row, 4, 60), QColor(33, 35, 37));
    EXPECT_EQ(pixelOf(grab, pauseRow, 4, 60), QColor(1, 2, 3));   // transparent: the view shows through
    EXPECT_EQ(pixelOf(grab, rows - 1, 2, 5), QColor(25, 27, 28));

    model->setTrackNumber(startRow);
    view()->viewport()->repaint();
    grab = widget.grab().toImage();
    EXPECT_EQ(pixelOf(grab, startRow, 4, 60), QColor(43, 77, 47));
    // The green pointer in the "Type" cell starts at the view's left edge.
    EXPECT_EQ(pixelOf(grab, startRow, 0, 1), QColor(17, 109, 24));
    EXPECT_EQ(pixelOf(grab, index2Row, 4, 60), QColor(33, 35, 37));

    model->setTrackNumber(-1);
    view()->viewport()->repaint();
    grab = widget.grab().toImage();
    EXPECT_EQ(pixelOf(grab, startRow, 4, 60), QColor(43, 45, 47));
    EXPECT_EQ(pixelOf(grab, startRow, 0, 1), QColor(43, 45, 47));
}

TEST_F(TablePanel, RowContainersDyingBeforeTheHeaderIsReplacedLeaveNoHandlerBehind)
{
    loadDefault();
    // The next load refills the table model first: the view lets go of the
    // old rows' containers while the old header is still in place.
    dirs.push_back(std::make_unique<QTemporaryDir>());
    DdpFixture::Options small;
    small.trackCount = 2;
    DdpFixture::write(dirs.back()->path().toStdString(), small);
    auto next = std::make_shared<DDPModel>();
    adapter.setupModel(dirs.back()->path(), next, widget.proxyModel());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view()->indexWidget(widget.proxyModel().index(0, 1)), nullptr);
    header()->resizeSection(1, 40);   // no handler of a dead container may run
    EXPECT_EQ(view()->columnWidth(1), 40);
}

TEST_F(TablePanel, ASecondLoadLeavesNoHandlerOfTheOldRowsBehind)
{
    loadDefault();
    QHeaderView* firstHeader = header();
    DdpFixture::Options small;
    small.trackCount = 2;
    load(small);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The new rows' handlers and a resize of column 1 still work; old
    // containers are gone without leaving handlers on the header.
    EXPECT_NE(header(), firstHeader);
    view()->setColumnWidth(1, 10);
    EXPECT_EQ(view()->columnWidth(1), 70);
    EXPECT_EQ(buttonsOf(0).size(), 2);
}

TEST(ColumnMenu, ToggleKeepsTheMenuOpenAndTheEntryEnabled)
{
    QWidget table;
    AttributesMenu menu;
    auto* action = new QWidgetAction(&menu);
    auto* box = new QCheckBox(QStringLiteral("Title"), &menu);
    box->setChecked(true);
    action->setDefaultWidget(box);
    menu.addAction(action);
    QSignalSpy toggled(box, &QCheckBox::toggled);
    QSignalSpy triggered(action, &QAction::triggered);

    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.setActiveAction(action);
    const QPoint inside = menu.actionGeometry(action).center();
    QTest::mouseRelease(&menu, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(toggled.count(), 1);
    EXPECT_EQ(triggered.count(), 0);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(action->isEnabled());
    EXPECT_FALSE(action->signalsBlocked());

    menu.setActiveAction(action);
    QTest::mouseRelease(&menu, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}
