#include "progresshelper/WindowController.h"

#include "progresshelper/platform/LocalFileTests.h"
#include "progresshelper/tests/FakeServices.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Skylarn;
using namespace SkylarnTest;

class WindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        strings.table = {{"URL_Language_Specifier", "en"},
                         {"ProgressBar_Value_Download", "%.1f MB of %.1f MB"},
                         {"Dialog_Button_Cancel", "Cancel"}};
        progressPath = dir.filePath("BrindlefetchProgress.xml");
    }
    void writeProgress(const QByteArray &full, const QByteArray &current)
    {
        QFile file(progressPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<progress><full-size>" + full + "</full-size><current-size>" + current
                   + "</current-size></progress>");
    }
    void startDownload()
    {
        controller.awakeFromNib({"Skylarn", "-operationMode=showDownloadProgress",
                                 "-progressFilePath=" + progressPath});
        ASSERT_TRUE(exit.statuses.empty());
    }

    // Public so that servicesOf() can wire the fakes.
public:
    QTemporaryDir dir;
    QString progressPath;
    FakeStringTable strings;
    LocalFileTests files;
    FakeAlertPanels alerts;
    FakeOpener opener;
    FakeStatusWindow downloadWindow;
    FakeStatusWindow installationWindow;
    ManualTimer timer;
    FakeLog log;
    FakeExit exit;
    PlatformServices services = servicesOf(*this);
    WindowController controller{services};
};

TEST_F(WindowControllerTest, DownloadWindowStartsIndeterminateAndTicksAfterOneSecondThenHalfSeconds)
{
    startDownload();
    EXPECT_TRUE(downloadWindow.shown);
    EXPECT_TRUE(downloadWindow.indeterminate);
    EXPECT_TRUE(downloadWindow.animating);
    EXPECT_EQ(downloadWindow.delegate, &controller);
    EXPECT_EQ(downloadWindow.title, QStringLiteral("ProgressBar_Title_Download"));
    EXPECT_EQ(downloadWindow.cancelTitle, QStringLiteral("Cancel"));
    EXPECT_EQ(downloadWindow.topLeft, QPoint(1920 - 300 - 10, 10));
    EXPECT_EQ(timer.firstDelayMs, 1000);
    EXPECT_EQ(timer.intervalMs, 500);
    EXPECT_FALSE(installationWindow.shown);
}

TEST_F(WindowControllerTest, BarFollowsTheFileAndStaysIndeterminateWhileTheTotalIsZero)
{
    startDownload();
    timer.fire(); // no file yet
    writeProgress("0", "100");
    timer.fire();
    EXPECT_TRUE(downloadWindow.indeterminate);
    EXPECT_TRUE(downloadWindow.subtext.isEmpty());

    writeProgress("2097152", "1048576");
    timer.fire();
    EXPECT_FALSE(downloadWindow.indeterminate);
    EXPECT_DOUBLE_EQ(downloadWindow.value, 0.5);
    EXPECT_EQ(downloadWindow.subtext, QStringLiteral("1.0 MB of 2.0 MB"));

    writeProgress("2097152", "2097152");
    timer.fire();
    EXPECT_DOUBLE_EQ(downloadWindow.value, 1.0);
    EXPECT_TRUE(exit.statuses.empty()); // a finished download does not end the helper
}

TEST_F(WindowControllerTest, ReadingsOutsideTheTotalKeepTheBarInRange)
{
    startDownload();
    writeProgress("2097152", "-5");
    timer.fire();
    EXPECT_DOUBLE_EQ(downloadWindow.value, 0.0);
    EXPECT_EQ(downloadWindow.subtext, QStringLiteral("0.0 MB of 2.0 MB"));

    writeProgress("2097152", "9999999999");
    timer.fire();
    EXPECT_DOUBLE_EQ(downloadWindow.value, 1.0);
    EXPECT_EQ(downloadWindow.subtext, QStringLiteral("2.0 MB of 2.0 MB"));

    for (double v : downloadWindow.values) {
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
    }
}

TEST_F(WindowControllerTest, DownloadsBeyondTwoGigabytesShowTheirRealSizes)
{
    startDownload();
    writeProgress("5368709120", "1073741824");
    timer.fire();
    EXPECT_DOUBLE_EQ(downloadWindow.value, 0.2);
    EXPECT_EQ(downloadWindow.subtext, QStringLiteral("1024.0 MB of 5120.0 MB"));
}

TEST_F(WindowControllerTest, NegativeTotalCountsAsUnknown)
{
    startDownload();
    writeProgress("-2097152", "1048576");
    timer.fire();
    EXPECT_TRUE(downloadWindow.indeterminate);
    EXPECT_TRUE(downloadWindow.subtext.isEmpty());
}

TEST_F(WindowControllerTest, BrokenTranslationOfTheProgressTextCannotReadMissingArguments)
{
    strings.table["ProgressBar_Value_Download"] = "%@ %s %n of %.1f MB %.1f %d";
    startDownload();
    writeProgress("2097152", "1048576");
    timer.fire();
    EXPECT_EQ(downloadWindow.subtext, QStringLiteral("1 2 %n of %.1f MB %.1f %d"));
}

TEST_F(WindowControllerTest, CancelDownloadAsksAndOnlyConfirmationEnds)
{
    strings.table["Dialog_Text_CancelDownload"] = "Really?";
    startDownload();
    alerts.answer = IAlertPanels::DefaultButton;
    downloadWindow.delegate->cancelButtonClicked();
    ASSERT_EQ(alerts.shown.size(), 1u);
    const auto &shown = alerts.shown[0];
    EXPECT_TRUE(shown.critical);
    EXPECT_EQ(shown.alert.title, QStringLiteral("Dialog_Title_CancelDownload"));
    EXPECT_EQ(shown.alert.message, QStringLiteral("Really? \n"));
    EXPECT_EQ(shown.alert.defaultButton, QStringLiteral("Dialog_Button_ContinueDownload"));
    EXPECT_EQ(shown.alert.alternateButton, QStringLiteral("Dialog_Button_CancelDownload"));
    EXPECT_EQ(alerts.frontRequests, 1);
    EXPECT_TRUE(exit.statuses.empty());

    // Escape or a close through the window manager chose nothing.
    alerts.answer = IAlertPanels::Dismissed;
    controller.actionButtonClickedCancelDownload();
    EXPECT_TRUE(exit.statuses.empty());
    alerts.answer = IAlertPanels::AlternateButton;
    controller.actionButtonClickedCancelDownload();
    EXPECT_EQ(exit.statuses, std::vector<int>{1});
}

TEST_F(WindowControllerTest, InstallationWindowIsIndeterminateWithoutTimer)
{
    installationWindow.visibleFrame = QRect(1920, 0, 1280, 800); // a second screen
    controller.awakeFromNib({"Skylarn", "-operationMode=showInstallationProgress"});
    EXPECT_TRUE(installationWindow.shown);
    EXPECT_TRUE(installationWindow.indeterminate);
    EXPECT_EQ(installationWindow.subtext, QStringLiteral("Installing..."));
    EXPECT_EQ(installationWindow.text, QStringLiteral("ProgressBar_Label_Installation"));
    // The usable area's left edge is not added; callers place their own windows alike.
    EXPECT_EQ(installationWindow.topLeft, QPoint(1280 - 300 - 10, 10));
    EXPECT_EQ(timer.firstDelayMs, -1);
    EXPECT_FALSE(downloadWindow.shown);
    EXPECT_FALSE(controller.windowShouldClose());
    EXPECT_TRUE(exit.statuses.empty());
}

TEST_F(WindowControllerTest, WindowPlacementWithoutScreen)
{
    EXPECT_EQ(statusWindowTopLeft(QRect(), QSize(300, 100)), QPoint(-310, 10));
    EXPECT_EQ(statusWindowTopLeft(QRect(0, 25, 1440, 875), QSize(400, 120)), QPoint(1030, 35));
}

TEST_F(WindowControllerTest, WebsiteTextsComeFromTheTableAsData)
{
    strings.table["Dialog_Text_InstallationIncomplete"] = "100% %@ %s broken";
    QFile page(dir.filePath("help_en.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    controller.awakeFromNib({"Skylarn", "-operationMode=openWebsite", "-websiteFilePath=" + dir.filePath("help.html")});
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(alerts.shown[0].critical);
    EXPECT_EQ(alerts.shown[0].alert.message, QStringLiteral("100% %@ %s broken \n"));
    EXPECT_TRUE(alerts.shown[0].alert.alternateButton.isEmpty());
    EXPECT_EQ(opener.opened, QStringList{dir.filePath("help_en.html")});
    EXPECT_EQ(exit.statuses, std::vector<int>{0});
}
