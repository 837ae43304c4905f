// Renders the whole window offscreen, empty and with an image loaded, into
// PNGs beside the test program ("renderings/"), and probes the pixels that
// the window's look fixes: the black surround, the body's outline and fill,
// and the table rows' colours.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/ui/Constants.h"
#include "player/ui/CustomStyle.h"
#include "player/ui/MenuBar.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTableView>

#include <gtest/gtest.h>

using namespace MainWindowTest;
using namespace MainWindowWidgets;

namespace {

bool contains(const QImage& image, const QRect& rect, const QColor& colour, int tolerance = 1)
{
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                return true;
        }
    return false;
}

QImage renderWindow(QWidget& window, const QString& name)
{
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/renderings");
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name));
    return image;
}

} // namespace

TEST(MainWindowRender, EmptyAndLoadedWindowsShowTheirColours)
{
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    // The application style, as main installs it; the test main has none.
    QApplication::setStyle(new CustomStyle);

    TestWindow window;
    window.show();
    const QImage empty = renderWindow(window, QStringLiteral("glasswell-empty.png"));
    // The form's width; its height as far as the screen has room.
    ASSERT_EQ(empty.size(), QSize(466, window.height()));
    EXPECT_EQ(empty.pixelColor(2, 300), QColor(Qt::black));
    const int top = central(window.form())->menuBar->geometry().top();
    EXPECT_EQ(empty.pixelColor(9, 300), QColor(44, 44, 44));
    EXPECT_EQ(empty.pixelColor(11, 300), backgroundColor);
    EXPECT_EQ(empty.pixelColor(233, top - 2), QColor(Qt::black));
    EXPECT_EQ(empty.pixelColor(233, top), QColor(44, 44, 44));
    EXPECT_EQ(empty.pixelColor(233, empty.height() - 1 - top + 2), QColor(Qt::black));

    DdpFixture::Options options = shortDisc(6);
    options.tracksWithIndex2 = 2;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);
    ASSERT_TRUE(dropOn(window, {QString::fromStdString(image.folder)}));
    spin(100);
    const QImage loaded = renderWindow(window, QStringLiteral("glasswell-loaded.png"));
    QTableView* view = tableView(window.form());
    const QRect table(view->viewport()->mapTo(&window, QPoint(0, 0)), view->viewport()->size());
    EXPECT_TRUE(contains(loaded, table, rowBackgroundColors[1]));
    EXPECT_TRUE(contains(loaded, table, rowBackgroundColors[2]));
    EXPECT_NE(empty.copy(table), loaded.copy(table));
    EXPECT_EQ(loaded.pixelColor(2, 300), QColor(Qt::black));
}
