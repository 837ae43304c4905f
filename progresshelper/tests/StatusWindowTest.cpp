#include "progresshelper/WindowController.h"

#include "progresshelper/platform/LocalFileTests.h"
#include "progresshelper/platform/QtAlertPanels.h"
#include "progresshelper/platform/QtRepeatingTimer.h"
#include "progresshelper/platform/QtStatusWindow.h"
#include "progresshelper/platform/ResourceStringTable.h"
#include "progresshelper/tests/FakeServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace Skylarn;
using namespace SkylarnTest;

namespace {

// Acts on the alert panel once it is up (the panel's modal loop runs the
// timer), looking again until it is: a loaded machine may take its time to
// show it. A panel that never comes fails after a minute.
void onAlertLater(const std::function<void(QMessageBox &)> &act, int looks = 1200)
{
    QTimer::singleShot(50, [act, looks] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box && looks > 1) {
            onAlertLater(act, looks - 1);
            return;
        }
        ASSERT_NE(box, nullptr);
        act(*box);
    });
}

// The bytes that read calls of this process have returned so far (its
// "rchar"), or -1.
qint64 bytesReadByThisProcess()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// Clicks the button titled text on the alert panel once it is up.
void clickAlertButtonLater(const QString &text)
{
    onAlertLater([text](QMessageBox &box) {
        for (QAbstractButton *button : box.buttons()) {
            if (button->text() == text && button->isVisible()) {
                button->click();
                return;
            }
        }
        box.close(); // ends the panel instead of leaving the test waiting on it
        FAIL() << "no button " << text.toStdString();
    });
}

// Real windows, timer, files and string table; only the process exit, log,
// alerts and opener are stand-ins.
class LiveDownloadWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("BrindlefetchProgress.xml");
    }
    // Rewrites the file in place, as the download tool does.
    void rewrite(const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    static QByteArray progress(qint64 full, qint64 current)
    {
        return "<BrindlefetchProgress>\n <counter>1</counter>\n <full-size>" + QByteArray::number(full)
            + "</full-size>\n <current-size>" + QByteArray::number(current) + "</current-size>\n</BrindlefetchProgress>\n";
    }
    bool waitForSubtext(const QString &expected, int timeoutMs = 60000)
    {
        return QTest::qWaitFor([&] { return downloadWindow.subtextShown() == expected; }, timeoutMs);
    }

    // Public so that servicesOf() can wire the fakes.
public:
    QTemporaryDir dir;
    QString path;
    ResourceStringTable strings{QStringList{"en"}};
    LocalFileTests files;
    FakeAlertPanels alerts;
    FakeOpener opener;
    QtStatusWindow downloadWindow{true};
    QtStatusWindow installationWindow{false};
    QtRepeatingTimer timer;
    FakeLog log;
    FakeExit exit;
    PlatformServices services = servicesOf(*this);
    WindowController controller{services};
};

} // namespace

TEST_F(LiveDownloadWindow, FollowsAFileRewrittenWhileItRuns)
{
    rewrite(progress(0, 0));
    QElapsedTimer clock;
    clock.start();
    controller.awakeFromNib({"Skylarn", "-operationMode=showDownloadProgress", "-progressFilePath=" + path});
    ASSERT_TRUE(downloadWindow.isVisible());
    EXPECT_EQ(downloadWindow.windowTitle(), QStringLiteral("Downloading"));
    EXPECT_EQ(downloadWindow.progressBar()->maximum(), 0); // busy indicator

    rewrite(progress(4 * 1048576, 1048576));
    ASSERT_TRUE(waitForSubtext(QStringLiteral("1.0 MB of 4.0 MB")));
    EXPECT_GE(clock.elapsed(), 900); // the first look comes after a second
    EXPECT_FALSE(downloadWindow.isIndeterminate());
    EXPECT_EQ(downloadWindow.progressBar()->value(), 250);

    rewrite(progress(4 * 1048576, 3 * 1048576));
    ASSERT_TRUE(waitForSubtext(QStringLiteral("3.0 MB of 4.0 MB")));
    EXPECT_EQ(downloadWindow.progressBar()->value(), 750);

    // Half-written: the new total is in, the bytes done are not.
    rewrite("<BrindlefetchProgress><full-size>8388608</full-size><current-size>50");
    ASSERT_TRUE(waitForSubtext(QStringLiteral("3.0 MB of 8.0 MB")));
    EXPECT_TRUE(log.contains("Error: Could not parse XML file!"));

    rewrite(progress(8 * 1048576, 8 * 1048576));
    ASSERT_TRUE(waitForSubtext(QStringLiteral("8.0 MB of 8.0 MB")));
    EXPECT_EQ(downloadWindow.progressBar()->value(), 1000);
    QTest::qWait(700);
    EXPECT_TRUE(downloadWindow.isVisible());
    EXPECT_TRUE(exit.statuses.empty());
}

TEST_F(LiveDownloadWindow, OversizedFileWrittenWhileItRunsIsRefusedAndTheLastValuesStay)
{
    rewrite(progress(4 * 1048576, 1048576));
    controller.awakeFromNib({"Skylarn", "-operationMode=showDownloadProgress", "-progressFilePath=" + path});
    ASSERT_TRUE(waitForSubtext(QStringLiteral("1.0 MB of 4.0 MB")));

    // Rewritten while the window runs into a file far beyond what the tool
    // writes: a huge text node, with values behind it that must not be taken.
    std::atomic<bool> written{false};
    std::thread writer([&] {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write("<BrindlefetchProgress><counter>");
            const QByteArray chunk(256 * 1024, '7');
            for (int i = 0; i < 96; ++i)
                file.write(chunk);
            file.write("</counter><full-size>8388608</full-size><current-size>4194304</current-size>"
                       "</BrindlefetchProgress>");
        }
        written = true;
    });
    const bool done = QTest::qWaitFor([&] { return written.load(); }, 120000);
    writer.join();
    ASSERT_TRUE(done);

    const auto refusals = [this] {
        return log.lines.filter(QStringLiteral("Progress file is larger than 1048576 bytes")).size();
    };
    const int before = refusals();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refusals() >= before + 2; }, 60000)); // ticks over the whole file
    EXPECT_EQ(downloadWindow.subtextShown(), QStringLiteral("1.0 MB of 4.0 MB"));
    EXPECT_EQ(downloadWindow.progressBar()->value(), 250);
    // A look at the file takes a small part of a tick, however large it is:
    // it reads no more than the limit, not the 24 MB.
    const qint64 readBefore = bytesReadByThisProcess();
    ASSERT_GE(readBefore, 0) << "the kernel's count of bytes read is not there";
    controller.onProgressTimer();
    EXPECT_LT(bytesReadByThisProcess() - readBefore, 2 * 1048576);
}

TEST_F(LiveDownloadWindow, RefusesToCloseAndCancelButtonAsksFirst)
{
    controller.awakeFromNib({"Skylarn", "-operationMode=showDownloadProgress", "-progressFilePath=" + path});
    EXPECT_FALSE(downloadWindow.close());
    EXPECT_TRUE(downloadWindow.isVisible());
    EXPECT_EQ(downloadWindow.cancelButton()->text(), QStringLiteral("Cancel"));

    alerts.answer = IAlertPanels::DefaultButton;
    downloadWindow.cancelButton()->click();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].alert.defaultButton, QStringLiteral("Continue Download"));
    EXPECT_TRUE(exit.statuses.empty());
    EXPECT_TRUE(downloadWindow.isVisible());

    alerts.answer = IAlertPanels::AlternateButton;
    downloadWindow.cancelButton()->click();
    EXPECT_EQ(exit.statuses, std::vector<int>{1});
}

TEST_F(LiveDownloadWindow, OnlyTheConfirmingButtonOfTheRealPanelCancels)
{
    QtAlertPanels panels;
    PlatformServices withPanels = services;
    withPanels.alerts = &panels;
    WindowController live(withPanels);
    live.awakeFromNib({"Skylarn", "-operationMode=showDownloadProgress", "-progressFilePath=" + path});

    onAlertLater([](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); });
    downloadWindow.cancelButton()->click();
    onAlertLater([](QMessageBox &box) { box.close(); }); // as the window manager's close button does
    downloadWindow.cancelButton()->click();
    EXPECT_TRUE(exit.statuses.empty());
    EXPECT_TRUE(downloadWindow.isVisible());

    clickAlertButtonLater("Cancel Download");
    downloadWindow.cancelButton()->click();
    EXPECT_EQ(exit.statuses, std::vector<int>{1});
}

TEST_F(LiveDownloadWindow, InstallationWindowRefusesToClose)
{
    controller.awakeFromNib({"Skylarn", "-operationMode=showInstallationProgress"});
    ASSERT_TRUE(installationWindow.isVisible());
    EXPECT_EQ(installationWindow.cancelButton(), nullptr);
    EXPECT_FALSE(installationWindow.close());
    EXPECT_TRUE(installationWindow.isVisible());
    EXPECT_EQ(installationWindow.subtextShown(), QStringLiteral("Installing..."));
    EXPECT_EQ(installationWindow.progressBar()->maximum(), 0);
    EXPECT_FALSE(downloadWindow.isVisible());
    EXPECT_TRUE(exit.statuses.empty());
}

TEST(QtAlertPanels, AnswersTellWhichButtonEndedThePanel)
{
    QtAlertPanels panels;
    IAlertPanels::Alert alert{"Title", "Text \n", "Continue", "Stop", "More"};
    clickAlertButtonLater("Continue");
    EXPECT_EQ(panels.runCritical(alert), IAlertPanels::DefaultButton);
    clickAlertButtonLater("Stop");
    EXPECT_EQ(panels.runInformational(alert), IAlertPanels::AlternateButton);
    clickAlertButtonLater("More");
    EXPECT_EQ(panels.runCritical(alert), IAlertPanels::OtherButton);

    // Escape and closing choose no button, not even the one that reads "Cancel".
    onAlertLater([](QMessageBox &box) {
        int visible = 0;
        for (QAbstractButton *button : box.buttons())
            visible += button->isVisible() ? 1 : 0;
        EXPECT_EQ(visible, 2);
        box.close();
    });
    EXPECT_EQ(panels.runCritical({"T", "M", "OK", "Cancel", ""}), IAlertPanels::Dismissed);
    onAlertLater([](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(panels.runInformational({"T", "M", "OK", "", ""}), IAlertPanels::Dismissed);
}
