// The wizard's pages of a Windows target: which pages a run gets per target
// platform and medium, the platform question and the not-supported page,
// each also rendered at 96 dpi and at device pixel ratio 2 with no text cut
// off (the PNGs land in <build>/screenshots/pathwarden/).

#include "updater/app/AskForPlatformPage.h"
#include "updater/app/MediaSpecificConfigurationService.h"
#include "updater/app/PlatformNotSupportedPage.h"
#include "updater/app/VornWizard.h"
#include "updater/app/WindowsProductInstallerUpdatePage.h"
#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/LogMonitorDialog.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/WindowsProductInstallerUpdateService.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/WidgetRendering.h"
#include "testsupport/TestTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A wizard for the platform on a medium that offers the 32-bit product or
// not; it owns the Windows page once it takes it.
struct TestWizard {
    TestWizard(int platform, bool offers32Bit)
    {
        QFile file(dir.filePath(QStringLiteral("Vorncfg.ini")));
        file.open(QIODevice::WriteOnly);
        file.write(offers32Bit ? "32BitAvailable_Mac=true\n" : "32BitAvailable_Mac=false\n");
        file.close();
        medium = std::make_unique<MediaSpecificConfigurationService>(file.fileName());
        windowsPage = new WindowsProductInstallerUpdatePage(&service, nullptr);
        wizard = std::make_unique<VornWizard>(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, platform,
                                              nullptr, nullptr, windowsPage, medium.get(), nullptr);
    }
    ~TestWizard()
    {
        wizard.reset();
        delete windowsPage;
    }

    // Shown at the page, and rendered with no text cut off.
    QWizardPage* showAt(int id, const QString& rendering)
    {
        wizard->setStartId(id);
        wizard->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(wizard.get(), 60000)) << rendering.toStdString();
        // Once it is up, the page gives the default and the focus to its own
        // button, which the wizard's hidden ones had.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const auto* focused = qobject_cast<QPushButton*>(wizard->focusWidget());
                return focused && focused->isDefault() && wizard->currentPage()->isAncestorOf(focused);
            },
            60000))
            << rendering.toStdString();
        EXPECT_TRUE(renderToPng(*wizard, kFolder, rendering + QStringLiteral("-96dpi"), 1.0));
        EXPECT_TRUE(renderToPng(*wizard, kFolder, rendering + QStringLiteral("-dpr2"), 2.0));
        EXPECT_EQ(clippedTexts(*wizard), QStringList()) << rendering.toStdString();
        for (QWizard::WizardButton which : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                                            QWizard::CancelButton})
            EXPECT_FALSE(wizard->button(which)->isVisible()) << rendering.toStdString();
        return wizard->currentPage();
    }

    const QString kFolder = testtree::inBuildTree(QStringLiteral(PATHWARDEN_SCREENSHOT_DIR));
    QTemporaryDir dir;
    std::unique_ptr<MediaSpecificConfigurationService> medium;
    // Without a server address: its question fails at once.
    WindowsProductInstallerUpdateService service{nullptr, nullptr, nullptr, nullptr, nullptr};
    QPointer<WindowsProductInstallerUpdatePage> windowsPage;
    std::unique_ptr<VornWizard> wizard;
};

} // namespace

TEST(PlatformPages, EachTargetAndMediumGetsItsPages)
{
    const struct {
        int platform;
        bool offers32Bit;
        QList<int> pages; // of 1, 3 and 4
    } cases[] = {
        {0, true, {}}, {0, false, {}}, {1, true, {1}}, {1, false, {1, 4}}, {2, true, {1, 3}}, {2, false, {1}},
    };
    for (const auto& c : cases) {
        TestWizard test(c.platform, c.offers32Bit);
        QList<int> pages;
        for (int id : test.wizard->pageIds())
            if (id == 1 || id == 3 || id == 4)
                pages << id;
        EXPECT_EQ(pages, c.pages) << c.platform << " " << c.offers32Bit;
    }
}

TEST(PlatformPages, PlatformQuestionAddsTheChosenDownloadChoicePageOnce)
{
    for (const char* answer : {"enter", "32"}) {
        RecordingLogAppender log;
        TestWizard test(2, true);
        auto* page = qobject_cast<AskForPlatformPage*>(
            test.showAt(VornWizard::AskForPlatformPageId, QStringLiteral("platform-question")));
        ASSERT_TRUE(page);
        auto* button32 = page->findChild<QPushButton*>(QStringLiteral("install32BitButton"));
        if (QLatin1String(answer) == QLatin1String("enter"))
            QTest::keyClick(test.wizard.get(), Qt::Key_Return);
        else
            button32->click();
        button32->click();
        page->findChild<QPushButton*>(QStringLiteral("install64BitButton"))->click();
        EXPECT_EQ(log.lines().filter(QStringLiteral("add download choice page for platform ")).size(), 1) << answer;
        EXPECT_TRUE(log.contains(QStringLiteral("add download choice page for platform ")
                                 + (*answer == '3' ? QStringLiteral("win32") : QStringLiteral("win64"))));
    }
}

TEST(PlatformPages, UnsupportedThirtyTwoBitTargetCanOnlyQuit)
{
    TestWizard test(1, false);
    auto* page = qobject_cast<PlatformNotSupportedPage*>(
        test.showAt(VornWizard::PlatformNotSupportedPageId, QStringLiteral("platform-not-supported")));
    ASSERT_TRUE(page);
    EXPECT_EQ(test.wizard->nextId(), -1) << "the page is the last of its run";
    QSignalSpy quit(page, &PlatformNotSupportedPage::platformNotSupportedQuitInstallation);
    QTest::keyClick(test.wizard.get(), Qt::Key_Return);
    EXPECT_EQ(quit.count(), 1);
}

TEST(PlatformPages, InstallerPageAndLogWindowRenderWithoutCutText)
{
    TestWizard test(2, true);
    test.wizard->setStartId(VornWizard::WindowsProductInstallerUpdatePageId);
    test.wizard->show();
    // Rendered before the (failing) question's answer is read.
    EXPECT_TRUE(renderToPng(*test.wizard, test.kFolder, QStringLiteral("windows-installer-96dpi"), 1.0));
    EXPECT_TRUE(renderToPng(*test.wizard, test.kFolder, QStringLiteral("windows-installer-dpr2"), 2.0));
    EXPECT_EQ(clippedTexts(*test.wizard), QStringList());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return test.wizard->currentId() == VornWizard::AskForPlatformPageId; }, 60000))
        << "a failed question only moves on";

    DialogLogAppender appender(ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("WindowsProductInstallerUpdateService"));
    logger->error(QStringLiteral("expected Setup.exe not found in download folder"), QString());
    logger->info(QStringLiteral("Translation file was loaded successfully: "), QStringLiteral(":pathwarden_de"));
    ASSERT_TRUE(processEventsUntil([&] { return appender.dialog()->rowCount() == 2; }));
    EXPECT_TRUE(renderToPng(*appender.dialog(), test.kFolder, QStringLiteral("log-monitor-96dpi"), 1.0));
    EXPECT_TRUE(renderToPng(*appender.dialog(), test.kFolder, QStringLiteral("log-monitor-dpr2"), 2.0));
    EXPECT_EQ(clippedTexts(*appender.dialog()), QStringList());

    // Closing the wizard is the end of the run, whether the log window is
    // open or not.
    // (Qt says so only while the event loop runs.)
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(60000);
    QTimer::singleShot(0, test.wizard.get(), &QWidget::close);
    EXPECT_EQ(QApplication::exec(), 0) << "the log window kept the run alive";
}
