// The wizard's pages of a Windows target: which pages a run gets per target
// platform and medium, the platform question and the not-supported page,
// and the Windows installer page on the real service against the TLS test
// update server and the download host.

#include "updater/app/AskForPlatformPage.h"
#include "updater/app/MediaSpecificConfigurationService.h"
#include "updater/app/PlatformNotSupportedPage.h"
#include "updater/app/VornWizard.h"
#include "updater/app/WindowsProductInstallerUpdatePage.h"
#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/LogMonitorDialog.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/WindowsProductInstallerUpdateService.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/WidgetRendering.h"
#include "updater/testsupport/WindowsInstallerFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kScreenshots = QStringLiteral(PATHWARDEN_SCREENSHOT_DIR);

// A medium whose configuration offers the 32-bit product or not.
class Medium {
public:
    explicit Medium(bool offers32Bit)
    {
        QFile file(dir_.filePath(QStringLiteral("Vorncfg.ini")));
        file.open(QIODevice::WriteOnly);
        file.write(offers32Bit ? "32BitAvailable_Mac=true\n" : "32BitAvailable_Mac=false\n");
        file.close();
        configuration = std::make_unique<MediaSpecificConfigurationService>(file.fileName());
    }

    std::unique_ptr<MediaSpecificConfigurationService> configuration;

private:
    QTemporaryDir dir_;
};

std::unique_ptr<VornWizard> makeWizard(int platform, MediaSpecificConfigurationService* medium,
                                       WindowsProductInstallerUpdatePage* windowsPage = nullptr)
{
    return std::make_unique<VornWizard>(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, platform,
                                        nullptr, nullptr, windowsPage, medium, nullptr);
}

// Renders the window at 96 dpi and at device pixel ratio 2 and checks that
// no text of it is cut off.
void renderAndCheck(QWidget& window, const QString& name)
{
    EXPECT_TRUE(renderToPng(window, kScreenshots, name + QStringLiteral("-96dpi"), 1.0));
    EXPECT_TRUE(renderToPng(window, kScreenshots, name + QStringLiteral("-dpr2"), 2.0));
    EXPECT_EQ(clippedTexts(window), QStringList()) << name.toStdString();
}

bool anyWizardButtonVisible(QWizard& wizard)
{
    for (QWizard::WizardButton which : {QWizard::BackButton, QWizard::NextButton, QWizard::CommitButton,
                                        QWizard::FinishButton, QWizard::CancelButton}) {
        if (wizard.button(which)->isVisible())
            return true;
    }
    return false;
}

} // namespace

TEST(PlatformPages, EachTargetGetsItsPages)
{
    const struct {
        int platform;
        bool offers32Bit;
        QList<int> windowsPages; // of 1, 3 and 4
    } cases[] = {
        {0, true, {}},
        {0, false, {}},
        {1, true, {1}},
        {1, false, {1, 4}},
        {2, true, {1, 3}},
        {2, false, {1}},
    };
    for (const auto& c : cases) {
        Medium medium(c.offers32Bit);
        // Owned by the wizard once it takes it.
        QPointer<WindowsProductInstallerUpdatePage> windowsPage = new WindowsProductInstallerUpdatePage(nullptr, nullptr);
        auto wizard = makeWizard(c.platform, medium.configuration.get(), windowsPage);
        QList<int> pages;
        for (int id : wizard->pageIds()) {
            if (id == 1 || id == 3 || id == 4)
                pages << id;
        }
        EXPECT_EQ(pages, c.windowsPages) << c.platform << " " << c.offers32Bit;
        EXPECT_TRUE(wizard->pageIds().contains(VornWizard::AppInitProgressPageId));
        wizard.reset();
        delete windowsPage;
    }
}

TEST(PlatformPages, PlatformTheSettingDidNotNameFailsTheWizard)
{
    RecordingLogAppender log;
    Medium medium(true);
    try {
        makeWizard(3, medium.configuration.get());
        ADD_FAILURE() << "a wizard was built for no platform";
    } catch (const QString& error) {
        EXPECT_EQ(error, QStringLiteral("not implemented yet"));
    }
}

TEST(PlatformPages, SixtyFourBitTargetWithThirtyTwoBitOnTheMediumAsksOnce)
{
    for (const char* answer : {"enter", "64", "32"}) {
        RecordingLogAppender log;
        Medium medium(true);
        auto wizard = makeWizard(2, medium.configuration.get());
        wizard->setStartId(VornWizard::AskForPlatformPageId);
        wizard->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
        auto* page = qobject_cast<AskForPlatformPage*>(wizard->currentPage());
        ASSERT_TRUE(page);
        auto* button64 = page->findChild<QPushButton*>(QStringLiteral("install64BitButton"));
        auto* button32 = page->findChild<QPushButton*>(QStringLiteral("install32BitButton"));
        QTest::qWait(50);
        EXPECT_FALSE(anyWizardButtonVisible(*wizard));
        if (QLatin1String(answer) == QLatin1String("enter")) {
            renderAndCheck(*wizard, QStringLiteral("platform-question"));
            QTest::keyClick(wizard.get(), Qt::Key_Return);
        } else {
            (QLatin1String(answer) == QLatin1String("32") ? button32 : button64)->click();
        }
        // A second press must not add the download-choice page again.
        button64->click();
        button32->click();
        const QString chosen = QLatin1String(answer) == QLatin1String("32") ? QStringLiteral("win32")
                                                                              : QStringLiteral("win64");
        int additions = 0;
        for (const QString& line : log.lines())
            additions += line.contains(QStringLiteral("add download choice page for platform ")) ? 1 : 0;
        EXPECT_EQ(additions, 1) << answer;
        EXPECT_TRUE(log.contains(QStringLiteral("add download choice page for platform ") + chosen)) << answer;
    }
}

TEST(PlatformPages, ThirtyTwoBitTargetWithoutThirtyTwoBitOnTheMediumCanOnlyQuit)
{
    Medium medium(false);
    auto wizard = makeWizard(1, medium.configuration.get());
    wizard->setStartId(VornWizard::PlatformNotSupportedPageId);
    wizard->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    auto* page = qobject_cast<PlatformNotSupportedPage*>(wizard->currentPage());
    ASSERT_TRUE(page);
    QSignalSpy quit(page, &PlatformNotSupportedPage::platformNotSupportedQuitInstallation);
    QTest::qWait(50);
    EXPECT_FALSE(anyWizardButtonVisible(*wizard));
    EXPECT_EQ(wizard->nextId(), -1) << "the page is the last of its run";
    renderAndCheck(*wizard, QStringLiteral("platform-not-supported"));
    QTest::keyClick(wizard.get(), Qt::Key_Return);
    EXPECT_EQ(quit.count(), 1);
}

namespace {

// The Windows installer page in a 64-bit wizard whose medium offers 32 bit:
// the page after it is the platform question.
class WindowsInstallerPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(useTestCertificates(TestCertificateSet::Chain));
        ASSERT_TRUE(certificates.loadCertificates());
        folder = working.filePath(QStringLiteral("updated-windows-product-installer"));
        downloadClient = std::make_unique<ServiceUrl>(QStringLiteral("downloadclient"), server.rootUrl(), &rest,
                                                      nullptr);
        address = std::make_unique<ServiceUrl>(QStringLiteral("windowsproductinstaller"), downloadClient.get(),
                                               &rest, nullptr);
        fileSystem = std::make_unique<FileSystem>(QDir(folder));
        downloader = std::make_unique<ArtifactDownloader>(new DownloadManager(), QList<DownloadChoiceArtifact*>(),
                                                          fileSystem->getDirectory(), 0);
        service = std::make_unique<WindowsProductInstallerUpdateService>(&rest, address.get(), downloader.get(),
                                                                         fileSystem.get(), &extractor);
        page = new WindowsProductInstallerUpdatePage(service.get(), nullptr);
        wizard = makeWizard(2, medium.configuration.get(), page);
    }
    void TearDown() override
    {
        wizard.reset();
        service.reset();
        downloader.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        useTestCertificates(TestCertificateSet::None);
    }

    bool movedOn()
    {
        return QTest::qWaitFor([this] { return wizard->currentId() == VornWizard::AskForPlatformPageId; }, 60000);
    }

    SslCertificates certificates;
    RESTClient rest{&certificates};
    TestUpdateServer server;
    TestFileServer host;
    RecordingLogAppender log;
    QTemporaryDir working;
    QString folder;
    ZipExtractor_OSX extractor;
    Medium medium{true};
    std::unique_ptr<ServiceUrl> downloadClient;
    std::unique_ptr<ServiceUrl> address;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<ArtifactDownloader> downloader;
    std::unique_ptr<WindowsProductInstallerUpdateService> service;
    WindowsProductInstallerUpdatePage* page = nullptr;
    std::unique_ptr<VornWizard> wizard;
};

} // namespace

TEST_F(WindowsInstallerPageTest, NewInstallerIsFetchedAndUnpackedBeforeTheWizardMovesOn)
{
    using namespace WindowsInstallerFixture;
    const QByteArray archive = installerArchive();
    const QUrl link = offer(server, host, archive);
    // An answer that takes a while, so that the page can be looked at while
    // it asks.
    CannedResponse slow;
    slow.body = description(link, archive);
    slow.dripIntervalMs = 10;
    server.setResponse(resourcePath(), slow);
    wizard->setStartId(VornWizard::WindowsProductInstallerUpdatePageId);
    wizard->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    EXPECT_EQ(wizard->currentId(), VornWizard::WindowsProductInstallerUpdatePageId);
    renderAndCheck(*wizard, QStringLiteral("windows-installer-checking"));
    ASSERT_TRUE(movedOn()) << wizard->currentId();
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Setup.exe")).isFile());
    EXPECT_EQ(page->findChild<QProgressBar*>()->maximum(), 100);
    EXPECT_FALSE(log.contains(QStringLiteral("server communication problem")));
    EXPECT_FALSE(log.contains(QStringLiteral("error unzipping...")));
}

TEST_F(WindowsInstallerPageTest, EveryFailureOnlyMovesOn)
{
    using namespace WindowsInstallerFixture;
    const struct {
        const char* name;
        int status;
        bool withSetup;
        FileFault fault;
        const char* logged; // empty: nothing at error level expected
    } cases[] = {
        {"none offered", 404, true, FileFault::None, ""},
        {"server trouble", 500, true, FileFault::None, "server communication problem"},
        {"archive missing", 200, true, FileFault::NotFound, "downloadErrorSlot"},
        {"no Setup.exe", 200, false, FileFault::None, "error unzipping..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        log.clear();
        const QUrl link = offer(server, host, installerArchive(c.withSetup));
        host.setFault(link.path().toUtf8(), c.fault);
        if (c.status != 200)
            server.setResponse(resourcePath(), c.status, "{}");
        wizard->setStartId(VornWizard::WindowsProductInstallerUpdatePageId);
        wizard->show();
        ASSERT_TRUE(movedOn()) << wizard->currentId();
        if (*c.logged) {
            EXPECT_TRUE(log.contains(QLatin1String(c.logged)));
        }
        EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Setup.exe")));
        EXPECT_TRUE(QApplication::activeModalWidget() == nullptr) << "a failure asked the user";
    }
}

TEST(LogMonitorWindow, RowsFitAtBothPixelRatios)
{
    DialogLogAppender appender(ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("WindowsProductInstallerUpdateService"));
    logger->debug(QStringLiteral("unzipping of /tmp/{6f1c}/updated-windows-product-installer/Installer.zip"),
                  QString());
    logger->error(QStringLiteral("expected Setup.exe not found in download folder"), QString());
    logger->info(QStringLiteral("Translation file was loaded successfully: "), QStringLiteral(":pathwarden_de"));
    ASSERT_TRUE(processEventsUntil([&] { return appender.dialog()->table()->rowCount() == 3; }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(appender.dialog()));
    renderAndCheck(*appender.dialog(), QStringLiteral("log-monitor"));
}
