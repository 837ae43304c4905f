#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"
#include "player/ui/CellDelegate.h"
#include "player/ui/CentralWidget.h"
#include "player/ui/ControlSectionWidget.h"
#include "player/ui/CustomStyle.h"
#include "player/ui/DDPModelAdapter.h"
#include "player/ui/InfoBoxWidget.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MainWindowForm.h"
#include "player/ui/MenuBar.h"
#include "player/ui/MeterNumericalDisplayWidget.h"
#include "player/ui/MeterSectionWidget.h"
#include "player/ui/TableViewWidget.h"
#include "testsupport/TestTree.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QSettings>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct WindowSections : ::testing::Test
{
    WindowSections()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
        form.setupUi(&window);
        window.show();
    }

    Ui::CentralWidget* central() const { return form.centralWidget->form(); }
    Ui::ControlSectionWidget* control() const { return central()->controlSection->form(); }
    Ui::MeterSectionWidget* meters() const { return central()->meterSection->form(); }

    // What the main window does with a freshly opened image.
    void load(const DdpFixture::Options& options)
    {
        image = DdpFixture::write(dir.path().toStdString(), options);
        model = std::make_shared<DDPModel>();
        TableViewWidget* table = control()->tableViewWidget;
        adapter.setupModel(dir.path(), model, table->proxyModel());
        table->model = model;
        QTableView* view = table->form()->tableView;
        view->setItemDelegate(new CellDelegate(view, model));
        table->showHeader();
        table->restoreState();
        table->setupHeaderProperties();
        table->setupColumnSpecificExtras();
        control()->infoBox->setupLabel(model);
    }

    QTemporaryDir store;
    QTemporaryDir dir;
    QMainWindow window;
    Ui::MainWindow form;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model;
    DDPModelAdapter adapter;
};

} // namespace

TEST_F(WindowSections, TreeCarriesTheNamesTheMainWindowLooksFor)
{
    EXPECT_EQ(form.centralWidget->objectName(), "centralWidget");
    EXPECT_EQ(window.centralWidget(), form.centralWidget);
    EXPECT_EQ(central()->controlSection->objectName(), "controlSection");
    EXPECT_EQ(central()->meterSection->objectName(), "meterSection");
    for (const char* name : {"menuBar", "infoBox", "tableViewWidget", "timeWidget", "transportWidget",
                             "volumeSliderWidget", "levelMeter", "numericalDisplay", "holmgraveLogoLabel",
                             "ddpLogoLabel", "playButton", "seekslider", "volumeSlider"})
        EXPECT_NE(window.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(meters()->numericalDisplay->size(), QSize(106, 60));
    EXPECT_EQ(central()->menuBar->height(), 18);
    EXPECT_FALSE(central()->holmgraveLogoLabel->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(form.centralWidget->minimumWidth(), 466);
    window.resize(300, 500);
    QCoreApplication::processEvents();
    EXPECT_GE(form.centralWidget->width(), 466);
}

TEST_F(WindowSections, SizeGripSitsInTheCornerAfterEveryResize)
{
    QSizeGrip* grip = form.centralWidget->sizeGrip();
    for (const QSize size : {QSize(500, 700), QSize(640, 760)}) {
        window.resize(size);
        QCoreApplication::processEvents();
        const QWidget* c = form.centralWidget;
        EXPECT_TRUE(grip->isVisible());
        EXPECT_FALSE(grip->isEnabled());
        EXPECT_EQ(grip->geometry().bottomRight(), QPoint(c->width() - 1, c->height() - 1));
        // Raised above its sibling widgets.
        QWidget* top = nullptr;
        for (QObject* child : c->children()) {
            if (child->isWidgetType())
                top = static_cast<QWidget*>(child);
        }
        EXPECT_EQ(top, grip) << (top ? top->metaObject()->className() : "none");
    }
}

TEST_F(WindowSections, TwelveTrackJapaneseImageIsRenderedAndSaved)
{
    // Render under the player's own style, as the application runs; the
    // previous style comes back for the tests that follow.
    const QString previousStyle = QApplication::style()->objectName();
    QApplication::setStyle(new CustomStyle);
    struct RestoreStyle {
        QString name;
        ~RestoreStyle() { QApplication::setStyle(QStyleFactory::create(name)); }
    } restore{previousStyle};
    window.hide();
    window.show();

    DdpFixture::Options o;
    o.trackCount = 12;
    o.tracksWithPause = 3;
    o.tracksWithIndex2 = 1;
    o.cdText = DdpFixture::CdTextKind::Japanese;
    load(o);
    model->setTrackNumber(1);
    MeterInfo info;
    info.peakLeft = 0.9f;
    info.peakRight = 0.5f;
    info.rmsLeft = 0.3f;
    info.rmsRight = 0.2f;
    meters()->levelMeter->setState(LevelMeterWidget::Playing);
    meters()->levelMeter->levelChanged(info);
    meters()->levelMeter->redrawTimerExpired();
    meters()->numericalDisplay->levelChanged(info);

    window.resize(700, 760);
    QCoreApplication::processEvents();
    const QImage shot = window.grab().toImage();
    const QDir out(testtree::inBuildTree(QStringLiteral(GLASSWELL_TEST_OUTPUT_DIR)));
    ASSERT_TRUE(out.mkpath(QStringLiteral(".")));
    const QString path = out.filePath("window_sections.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();

    const CentralWidget* c = form.centralWidget;
    const int y0 = central()->menuBar->geometry().top();
    EXPECT_EQ(y0, 9);
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::black));
    // Body: outline, then the background colour; the same gap below as above.
    EXPECT_EQ(shot.pixelColor(9, c->height() / 2), QColor(44, 44, 44));
    EXPECT_EQ(shot.pixelColor(11, c->height() / 2), QColor(38, 39, 40));
    EXPECT_EQ(shot.pixelColor(c->width() / 2, y0 - 1), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(c->width() / 2, c->height() - y0), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(c->width() / 2, c->height() - y0 - 2), QColor(38, 39, 40));

    // Info box: frame and first dot, in window coordinates.
    const InfoBoxWidget* box = control()->infoBox;
    const QPoint boxOrigin = box->mapTo(&window, QPoint(0, 0));
    EXPECT_EQ(shot.pixelColor(boxOrigin + QPoint(9, box->height() / 2)), QColor(Qt::gray));
    EXPECT_EQ(shot.pixelColor(boxOrigin + QPoint(11, 2)), QColor(45, 46, 47));
    EXPECT_EQ(box->albumText(), QString::fromStdString(image.albumTexts.at(DdpFixture::Title)));

    // The header's colours (drawn by the application style) and the current track's row.
    QTableView* view = control()->tableViewWidget->form()->tableView;
    EXPECT_EQ(view->horizontalHeader()->height(), 24);
    EXPECT_EQ(view->horizontalHeader()->palette().color(QPalette::Window), QColor(58, 61, 64));
    EXPECT_EQ(view->horizontalHeader()->palette().color(QPalette::ButtonText), QColor(139, 139, 140));
    const QRect current = view->visualRect(view->model()->index(1, 4));
    const QPoint rowPoint = view->viewport()->mapTo(&window, current.topLeft() + QPoint(60, current.height() - 2));
    EXPECT_EQ(shot.pixelColor(rowPoint), QColor(43, 77, 47));
    EXPECT_EQ(view->model()->rowCount(), static_cast<int>(image.entries.size()) - 4 + 1);

    // The sections' texture leaves 10 pixels free at both sides.
    const QWidget* section = central()->meterSection;
    const QPoint sectionOrigin = section->mapTo(&window, QPoint(0, 0));
    const QColor outside = shot.pixelColor(sectionOrigin + QPoint(5, 2));
    EXPECT_EQ(outside, QColor(Qt::black));
    EXPECT_NE(shot.pixelColor(sectionOrigin + QPoint(12, 2)), QColor(Qt::black));
}
