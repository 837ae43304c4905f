// The window at one screen resolution and pixel density (see
// DensityTestMain.cpp): every text has the room the layout gives it, the
// Type column's icons stay inside their cells, and Qt's own file dialogs and
// message boxes get icons and the dark palette. Renderings of what was
// checked land in <build>/screenshots/glasswell_density for a person to look
// at.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/ui/AboutDialog.h"
#include "player/ui/Constants.h"
#include "player/ui/InfoBoxWidget.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/SampleRateErrorDialog.h"
#include "player/ui/tests/FakeAudio.h"
#include "testsupport/TestTree.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QScopeGuard>
#include <QScreen>
#include <QTableView>
#include <QTextDocument>
#include <QWindow>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace MainWindowTest;
using namespace MainWindowWidgets;

namespace {

void saveRendering(QWidget& widget, const QString& name)
{
    const QString folder = testtree::inBuildTree(QStringLiteral(GLASSWELL_DENSITY_RENDERINGS));
    QDir().mkpath(folder);
    const QString density = QStringLiteral("%1dpi-x%2")
                                .arg(QString::fromLatin1(qgetenv("QT_FONT_DPI")))
                                .arg(widget.devicePixelRatioF());
    EXPECT_TRUE(widget.grab().save(folder + QLatin1Char('/') + name + QLatin1Char('-') + density +
                                   QStringLiteral(".png")));
}

// Every visible one-line label whose text needs more room than its contents
// rectangle has (cut off at the right or the bottom, or running into its
// neighbour).
std::vector<std::string> labelsThatDoNotFit(QWidget& window)
{
    std::vector<std::string> found;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        const QString text = label->text();
        if (!label->isVisibleTo(&window) || text.isEmpty() || label->wordWrap() || Qt::mightBeRichText(text))
            continue;
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        const QSize needed(metrics.horizontalAdvance(text), metrics.height());
        if (needed.width() > room.width() || needed.height() > room.height())
            found.push_back(label->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " +
                            std::to_string(needed.width()) + "x" + std::to_string(needed.height()) + ", has " +
                            std::to_string(room.width()) + "x" + std::to_string(room.height()));
    }
    return found;
}

// The level meter paints its scale, channel letters and unit itself: each
// text's ink must lie inside the meter and clear of every other text. Ink
// boxes are whole pixels, so two glyph edges that meet may share the one
// antialiased column between them ("dB" ends where the first scale text
// begins).
std::vector<std::string> meterTextsThatCollide(const LevelMeterWidget& meter)
{
    std::vector<std::string> found;
    const std::vector<LevelMeterWidget::Caption> captions = LevelMeterWidget::captions(meter.size());
    std::vector<QRect> ink;
    for (const auto& caption : captions)
        ink.push_back(QFontMetrics(caption.font).boundingRect(caption.text).translated(caption.origin));
    for (std::size_t i = 0; i < ink.size(); ++i) {
        if (!meter.rect().contains(ink[i]))
            found.push_back("\"" + captions[i].text.toStdString() + "\" leaves the meter");
        for (std::size_t j = i + 1; j < ink.size(); ++j)
            if (const QRect both = ink[i].intersected(ink[j]); both.width() > 1 && both.height() > 1)
                found.push_back("\"" + captions[i].text.toStdString() + "\" runs into \"" +
                                captions[j].text.toStdString() + "\"");
    }
    return found;
}

// The whole frame on the screen's free area, at no less than the layout's
// minimum; where even the minimum does not fit (offscreen at 144 dpi: 400 x
// 300 points), the minimum with its top-left corner, the menu's, on screen.
// An X window manager frames the window by the time it is mapped (exposed),
// and the window may move then; offscreen the frame is there at once. The
// native window's frame: the widget takes a frame that arrives on its own
// only with its next move.
void expectOnScreen(TestWindow& window)
{
    window.show();
    const QRect room = window.screen()->availableGeometry();
    const QWindow* native = window.windowHandle();
    ASSERT_NE(native, nullptr);
    waitForFit(window, 30000);
    const QRect frame = native->frameGeometry();
    const QSize minimum = window.minimumSizeHint();
    if (room.size().expandedTo(minimum + frame.size() - window.size()) == room.size()) {
        EXPECT_TRUE(room.contains(frame)) << "frame from y = " << frame.top() << " to " << frame.bottom() << " on "
                                          << room.top() << " to " << room.bottom();
        EXPECT_GE(window.height(), minimum.height());
    } else {
        EXPECT_EQ(window.size(), minimum);
        EXPECT_EQ(frame.topLeft(), room.topLeft());
    }
}

} // namespace

TEST(WindowFit, FirstStartAndATooLargeSavedGeometryStayOnTheScreen)
{
    PrivateSettings settings;
    ModalAnswerer modals;
    {
        TestWindow first;
        expectOnScreen(first);
        // Saved from a larger screen: twice the height, from the middle on.
        const QRect available = first.screen()->availableGeometry();
        first.setGeometry(QRect(available.center(), QSize(available.width(), 2 * available.height())));
        first.close();
    }
    TestWindow restored;
    expectOnScreen(restored);
}

// Without a sound server the window tells of a lost output as it starts:
// the box opens over the window, not where the window was before the window
// manager placed it, also when the window is shown a moment after it was
// made (a loaded machine) and the device watch has found the loss by then.
TEST(WindowFit, TheLostOutputBoxAtStartOpensOverTheWindow)
{
    PrivateSettings settings;
    ModalAnswerer modals;
    // No server for the whole test: one that the device watch found would
    // close the box, or keep it from opening on a slow machine.
    const QByteArray server = qgetenv("PULSE_SERVER");
    const bool hadServer = qEnvironmentVariableIsSet("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/glasswell-no-sound-server");
    const auto restore = qScopeGuard([&] {
        if (hadServer)
            qputenv("PULSE_SERVER", server);
        else
            qunsetenv("PULSE_SERVER");
    });
    TestWindow window;
    spin(300);
    window.show();
    ASSERT_TRUE(waitForFit(window, 30000));
    // Framed by the window manager (offscreen at once), and so placed.
    QMessageBox* box = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible() && b->windowHandle()
                                                            && b->windowHandle()->isExposed()
                                                            && !b->windowHandle()->frameMargins().isNull())
                    box = b;
            return box != nullptr;
        },
        30000))
        << "no lost-output box";
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Audio Output Lost"));
    const QRect over = window.windowHandle()->frameGeometry();
    const QRect frame = box->windowHandle()->frameGeometry();
    const auto where = [](const QRect& r) {
        return std::to_string(r.width()) + " x " + std::to_string(r.height()) + " at " + std::to_string(r.x()) + ", "
            + std::to_string(r.y());
    };
    EXPECT_TRUE(over.contains(frame.center())) << "box " << where(frame) << ", window " << where(over);
    EXPECT_LE(std::abs(frame.center().x() - over.center().x()), 2) << "box " << where(frame) << ", window " << where(over);
}

TEST(Density, EveryTextOfTheWindowHasRoomEmptyAndLoaded)
{
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    TestWindow window;
    window.show();
    ASSERT_TRUE(waitForFit(window, 30000));
    EXPECT_EQ(labelsThatDoNotFit(window), std::vector<std::string>());
    saveRendering(window, QStringLiteral("window-empty"));

    // Track rows with CD-TEXT, pauses and index 02 entries, and a UPC/EAN.
    DdpFixture::Options options = shortDisc(6);
    options.tracksWithIndex2 = 2;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    spin(100);
    EXPECT_EQ(labelsThatDoNotFit(window), std::vector<std::string>());
    LevelMeterWidget* meter = levelMeter(window.form());
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meterTextsThatCollide(*meter), std::vector<std::string>());
    // The 13-digit code is shown whole, not cut short with an ellipsis.
    auto* upc = infoBox(window.form())->findChild<QLabel*>(QStringLiteral("upcEanLabel"));
    ASSERT_NE(upc, nullptr);
    EXPECT_EQ(upc->text(), QString::fromStdString(options.upcEan));
    saveRendering(window, QStringLiteral("window-loaded"));
}

TEST(Density, TypeIconsArePaintedInsideTheirCells)
{
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    TestWindow window;
    window.show();
    // Tall enough for every row, whatever room the screen leaves: after the
    // fit to the screen that follows showing.
    ASSERT_TRUE(waitForFit(window, 30000));
    const QSize tall(466, 702);
    window.resize(tall);
    DdpFixture::Options options = shortDisc(4);
    options.tracksWithPause = 3;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);
    window.loadFile(QDir(QString::fromStdString(image.folder)));

    QTableView* view = tableView(window.form());
    ASSERT_NE(view, nullptr);
    // The last track row on view once the window has its size and the
    // table its layout.
    const auto lastRowShown = [&] {
        const int last = view->model()->rowCount() - 2;
        return window.size() == tall && last >= 0
            && view->viewport()->rect().contains(view->visualRect(view->model()->index(last, 0)));
    };
    ASSERT_TRUE(waitFor(lastRowShown, 30000)) << "the window is " << window.width() << "x" << window.height();
    const QImage shot = view->viewport()->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    EXPECT_EQ(ratio, view->devicePixelRatioF());
    const int current = window.currentModel() ? window.currentModel()->getTrackNumber() : -1;
    int checked = 0;
    for (int row = 0; row < view->model()->rowCount() - 1; ++row) {
        if (row == current) // the current row's pointer fills half the cell
            continue;
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        const QRect icon(cell.left() + static_cast<int>(0.22 * cell.width()), cell.top() + cell.height() / 4, 16, 16);
        const auto physical = [ratio](int v) { return static_cast<int>(v * ratio); };
        const QColor background = shot.pixelColor(physical(cell.left() + 1), physical(cell.top() + 1));
        int inside = 0;
        int outside = 0;
        for (int y = physical(cell.top()); y < physical(cell.bottom() + 1); ++y)
            for (int x = physical(cell.left()); x < physical(cell.right() + 1); ++x) {
                const QColor c = shot.pixelColor(x, y);
                const bool differs = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                                         std::abs(c.blue() - background.blue()) > 24;
                if (!differs)
                    continue;
                if (icon.contains(QPoint(static_cast<int>(x / ratio), static_cast<int>(y / ratio))))
                    ++inside;
                else
                    ++outside;
            }
        EXPECT_GT(inside, 0) << "row " << row << ": no icon";
        EXPECT_EQ(outside, 0) << "row " << row << ": icon pixels outside its 16 x 16 points";
        ++checked;
    }
    EXPECT_GE(checked, 5);
    saveRendering(*view, QStringLiteral("track-table"));
}

TEST(Density, QtDialogsHaveTheirIconsAndTheDarkPalette)
{
    QStringList warnings;
    static QStringList* sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        if (sink)
            sink->append(m);
    });

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Album Master/DDP"));
    QFileDialog dialog(nullptr, QStringLiteral("Open Image"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.show();
    spin(300);
    for (const char* name : {"backButton", "forwardButton", "toParentButton", "newFolderButton", "listModeButton",
                             "detailModeButton"}) {
        auto* button = dialog.findChild<QToolButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    EXPECT_FALSE(QFileIconProvider().icon(QFileIconProvider::Folder).isNull());
    EXPECT_EQ(dialog.palette().color(QPalette::Window), backgroundColor);
    EXPECT_EQ(dialog.palette().color(QPalette::Base), emptyRowColor);
    EXPECT_EQ(dialog.palette().color(QPalette::Text), lightTextColor);
    saveRendering(dialog, QStringLiteral("file-dialog"));
    dialog.close();

    QMessageBox box(QMessageBox::Warning, QStringLiteral("WAV export"), QStringLiteral("Could not export."));
    box.show();
    spin(50);
    EXPECT_FALSE(box.iconPixmap().isNull());
    EXPECT_EQ(box.palette().color(QPalette::Window), backgroundColor);
    saveRendering(box, QStringLiteral("message-box"));
    box.close();

    qInstallMessageHandler(previous);
    sink = nullptr;
    EXPECT_FALSE(warnings.join(QLatin1Char('\n')).contains(QStringLiteral("pixmap"), Qt::CaseInsensitive))
        << warnings.join(QLatin1Char('\n')).toStdString();
}

TEST(Density, PlayerDialogsShowTheirTextsWhole)
{
    QWidget parent;
    parent.resize(466, 702);
    AboutDialog about(&parent);
    about.show();
    spin(50);
    EXPECT_EQ(labelsThatDoNotFit(about), std::vector<std::string>());
    saveRendering(about, QStringLiteral("about-dialog"));

    FakeStreamingSetup setup;
    SampleRateErrorDialog rate(IncompatibleSampleRate, &setup, &parent);
    rate.show();
    spin(50);
    EXPECT_EQ(labelsThatDoNotFit(rate), std::vector<std::string>());
    saveRendering(rate, QStringLiteral("sample-rate-dialog"));

    SampleRateErrorDialog lost(LostAudioDevice, &setup, &parent);
    lost.show();
    spin(50);
    EXPECT_EQ(labelsThatDoNotFit(lost), std::vector<std::string>());
    saveRendering(lost, QStringLiteral("lost-device-dialog"));

    ErrorDialog missing(MissingImageDat, &parent);
    missing.show();
    spin(50);
    EXPECT_EQ(labelsThatDoNotFit(missing), std::vector<std::string>());
    saveRendering(missing, QStringLiteral("error-dialog"));
}
