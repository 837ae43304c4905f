#include "player/ui/MenuBar.h"

#include "player/ui/CheckBoxPalette.h"
#include "player/ui/Constants.h"
#include "player/ui/Pixmaps.h"
#include "player/ui/tests/FakeAudio.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace {

Audio::AudioDeviceInfo device(const char* name, bool output, bool probed = true)
{
    Audio::AudioDeviceInfo info;
    info.name = name;
    info.hasOutput = output ? 1 : 0;
    info.preferredSampleRate = 44100;
    info.probed = probed;
    return info;
}

std::vector<QCheckBox*> deviceBoxes(const MenuBar& bar)
{
    std::vector<QCheckBox*> boxes;
    for (QAction* action : bar.devicesMenu->actions())
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
            boxes.push_back(qobject_cast<QCheckBox*>(widgetAction->defaultWidget()));
    return boxes;
}

int checkedCount(const std::vector<QCheckBox*>& boxes)
{
    int n = 0;
    for (QCheckBox* box : boxes)
        n += box->isChecked() ? 1 : 0;
    return n;
}

struct MenuBarFixture : ::testing::Test
{
    MenuBarFixture()
    {
        devices.devices = {device("Built-in", true), device("Microphone", false),
                           device("USB DAC", true), device("Broken", true, false)};
        devices.current = 2;
        bar.setupOpen();
        bar.initialize(&attributes);
        bar.deviceSetup = &devices;
        bar.setupAudioDevicePrefs();
        bar.setupWavExport();
        bar.setupAbout();
    }

    FakeDevices devices;
    QWidget window;
    MenuBar bar{&window};
    QMenu attributes{&window};
};

} // namespace

TEST_F(MenuBarFixture, MainMenuHoldsTheFiveEntriesInOrder)
{
    EXPECT_EQ(bar.getActionAt(0)->text(), QStringLiteral("Open"));
    EXPECT_EQ(bar.getActionAt(1)->menu(), &attributes);
    EXPECT_EQ(bar.getActionAt(1)->text(), QStringLiteral("Attributes"));
    EXPECT_EQ(bar.getActionAt(2)->menu(), bar.devicesMenu);
    EXPECT_EQ(bar.getActionAt(2)->text(), QStringLiteral("Devices"));
    EXPECT_EQ(bar.getActionAt(3)->text(), QStringLiteral("Export as WAV"));
    EXPECT_EQ(bar.getActionAt(3)->toolTip(), exportAllToolTip);
    EXPECT_FALSE(bar.getActionAt(3)->isEnabled());
    EXPECT_EQ(bar.getActionAt(4)->text(), QStringLiteral("About"));
    EXPECT_EQ(bar.getActionAt(5), nullptr);
    EXPECT_EQ(bar.getActionAt(-1), nullptr);

    QSignalSpy exportAll(&bar, &MenuBar::wavExportAllTriggered);
    bar.getActionAt(3)->setEnabled(true);
    bar.getActionAt(3)->trigger();
    EXPECT_EQ(exportAll.count(), 1);
}

TEST_F(MenuBarFixture, DevicesListOnlyProbedOutputsWithTheCurrentOneChecked)
{
    const auto boxes = deviceBoxes(bar);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0]->text(), QStringLiteral("Built-in"));
    EXPECT_EQ(boxes[1]->text(), QStringLiteral("USB DAC"));
    EXPECT_EQ(boxes[1]->toolTip(), QStringLiteral("USB DAC"));
    EXPECT_FALSE(boxes[0]->isChecked());
    EXPECT_TRUE(boxes[1]->isChecked());
    EXPECT_TRUE(devices.setDeviceCalls.empty());

    // Parity follows the device index (0 and 2), not the position in the menu.
    const QColor even(23, 24, 25);
    EXPECT_EQ(boxes[0]->palette().color(QPalette::Window), even);
    EXPECT_EQ(boxes[1]->palette().color(QPalette::Window), even);
    EXPECT_EQ(boxes[1]->palette().color(QPalette::Mid), textColor);
    EXPECT_EQ(boxes[1]->palette().color(QPalette::Dark), QColor(53, 54, 55));
    EXPECT_EQ(boxes[1]->font().family(), fontFamily);
}

TEST_F(MenuBarFixture, ChoosingADeviceKeepsExactlyOneChecked)
{
    const auto boxes = deviceBoxes(bar);
    ASSERT_EQ(boxes.size(), 2u);

    boxes[0]->click();
    EXPECT_EQ(devices.setDeviceCalls, std::vector<int>{0});
    EXPECT_TRUE(boxes[0]->isChecked());
    EXPECT_FALSE(boxes[1]->isChecked());
    EXPECT_EQ(checkedCount(boxes), 1);

    // Clicking the checked box leaves it checked and reopens the same device.
    boxes[0]->click();
    EXPECT_EQ(devices.setDeviceCalls, (std::vector<int>{0, 0}));
    EXPECT_TRUE(boxes[0]->isChecked());
    EXPECT_EQ(checkedCount(boxes), 1);

    boxes[1]->click();
    EXPECT_EQ(devices.setDeviceCalls, (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(checkedCount(boxes), 1);
    EXPECT_TRUE(boxes[1]->isChecked());
}

// Another library object (a Rescan) lists other devices: the list is
// replaced where the Devices entry stands.
TEST_F(MenuBarFixture, ListedAgainTheDevicesAreReplacedInTheirPlace)
{
    devices.devices = {device("PulseAudio", true)};
    devices.current = 0;
    bar.setupAudioDevicePrefs();
    const auto boxes = deviceBoxes(bar);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(), QStringLiteral("PulseAudio"));
    EXPECT_TRUE(boxes[0]->isChecked());
    EXPECT_EQ(bar.getActionAt(2)->menu(), bar.devicesMenu);
    EXPECT_EQ(bar.getActionAt(4)->text(), QStringLiteral("About"));
    EXPECT_EQ(bar.getActionAt(5), nullptr);
}

TEST(MenuBar, NoDevicesLeavesAnEmptyDevicesMenu)
{
    FakeDevices devices;
    MenuBar bar(nullptr);
    bar.deviceSetup = &devices;
    bar.setupAudioDevicePrefs();
    EXPECT_TRUE(bar.devicesMenu->actions().isEmpty());
    EXPECT_EQ(bar.getActionAt(0)->menu(), bar.devicesMenu);
}

TEST(MenuBar, ButtonsAndLayout)
{
    MenuBar bar(nullptr);
    EXPECT_EQ(bar.menuButton->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(bar.menuButton->iconSize(), QSize(14, 14));
    EXPECT_EQ(bar.closeButton->iconSize(), QSize(12, 12));
    EXPECT_TRUE(bar.closeButton->autoRaise());
    EXPECT_TRUE(bar.menuButton->menu()->actions().isEmpty());
    EXPECT_EQ(bar.palette().color(QPalette::Window).alpha(), 0);
    EXPECT_EQ(bar.menuButton->palette().color(QPalette::Button).alpha(), 0);
    EXPECT_TRUE(bar.menuButton->menu()->font().bold());
}

TEST_F(MenuBarFixture, ReleaseOnAnEntryTriggersItAndKeepsTheMenuOpen)
{
    QMenu* menu = bar.menuButton->menu();
    QSignalSpy open(bar.getActionAt(0), &QAction::triggered);
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(bar.getActionAt(0));

    // The bar watches the devices menu; a release there on an active entry
    // is consumed and fires the entry.
    bar.devicesMenu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.devicesMenu));
    QAction* plain = bar.devicesMenu->addAction(QStringLiteral("entry"));
    QSignalSpy fired(plain, &QAction::triggered);
    bar.devicesMenu->setActiveAction(plain);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    EXPECT_TRUE(bar.eventFilter(bar.devicesMenu, &release));
    EXPECT_EQ(fired.count(), 1);
    EXPECT_TRUE(bar.devicesMenu->isVisible());
    EXPECT_TRUE(plain->isEnabled());

    // Anything but a menu with an active, enabled entry passes through.
    plain->setEnabled(false);
    EXPECT_FALSE(bar.eventFilter(bar.devicesMenu, &release));
    EXPECT_FALSE(bar.eventFilter(&bar, &release));
    EXPECT_EQ(open.count(), 0);
}

TEST(RecolorPixmap, TintsVisiblePixelsAndCachesTheFirstTintPerSource)
{
    QImage source(4, 4, QImage::Format_ARGB32_Premultiplied);
    source.fill(Qt::transparent);
    source.setPixelColor(1, 1, QColor(255, 255, 255, 255));
    source.setPixelColor(2, 2, QColor(255, 0, 0, 128));
    const QPixmap pixmap = QPixmap::fromImage(source);

    const QImage grey = recolorPixmap(pixmap, Qt::gray).toImage();
    EXPECT_EQ(grey.pixelColor(1, 1), QColor(Qt::gray));
    EXPECT_EQ(grey.pixelColor(0, 0).alpha(), 0);
    EXPECT_NEAR(grey.pixelColor(2, 2).alpha(), 128, 1);
    EXPECT_NEAR(grey.pixelColor(2, 2).red(), QColor(Qt::gray).red(), 2);

    const QImage again = recolorPixmap(pixmap, Qt::green).toImage();
    EXPECT_EQ(again.pixelColor(1, 1), QColor(Qt::gray));

    EXPECT_TRUE(recolorPixmap(QPixmap(), Qt::gray).isNull());
}

TEST(CheckBoxPalette, AlternatesByParity)
{
    EXPECT_EQ(createCheckBoxPalette(3).color(QPalette::Disabled, QPalette::Window), QColor(35, 36, 38));
    EXPECT_EQ(createCheckBoxPalette(4).color(QPalette::Inactive, QPalette::Window), QColor(23, 24, 25));
    const QPalette p = createCheckBoxPalette(0);
    EXPECT_EQ(p.color(QPalette::Highlight), highlightColor);
    EXPECT_EQ(p.color(QPalette::WindowText), textColor);
    EXPECT_EQ(p.color(QPalette::Mid), midGreyColor);
}
