#include "updater/app/SelfUpdatePage.h"
#include "updater/app/VornWizard.h"
#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/SelfUpdateLauncher.h"
#include "updater/services/SelfUpdateService.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/UpdaterArchive.h"
#include "testsupport/TestTree.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWizard>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The page in a wizard of its own, on the real service against the TLS test
// update server; a blank page stands in for the one that follows.
class SelfUpdatePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trust.isLoaded());
        QCoreApplication::setApplicationVersion(QStringLiteral("2.0.10"));
        page = new SelfUpdatePage(&service);
        wizard.setWizardStyle(QWizard::ModernStyle);
        wizard.setButtonLayout({});
        wizard.setPage(VornWizard::SelfUpdatePageId, page);
        wizard.setPage(VornWizard::DownloadChoiceSelectionPageId, new QWizardPage);
    }

    void answer(const QByteArray& rel, const QByteArray& json)
    {
        server.setResponse("/rest/downloadclient/" + rel, 200, json);
    }

    TestUpdateServer server;
    TrustedTestCertificates trust;
    RESTClient client{&trust.certificates};
    WorkingDirectoryProvider provider;
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor{&zip};
    LocalStorage store{&provider, &extractor};
    DetachedQProcessStarter starter;
    SelfUpdateLauncher launcher{&starter, &store, QStringLiteral("/medium")};
    SelfUpdateService service{&client,
                              new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
                              new DownloadManager(),
                              0,
                              &provider,
                              &store,
                              &launcher};
    QWizard wizard;
    SelfUpdatePage* page = nullptr;
};

// Renders the wizard as a screen of the given device pixel ratio would show
// it, into <build>/screenshots/pathwarden/.
void render(QWidget& window, const QString& name, qreal ratio)
{
    QPixmap pixmap(window.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    window.render(&pixmap);
    const QString folder = testtree::inBuildTree(QStringLiteral(PATHWARDEN_SCREENSHOT_DIR));
    QDir().mkpath(folder);
    ASSERT_TRUE(pixmap.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

} // namespace

TEST_F(SelfUpdatePageTest, TooOldClientShowsTheServersTextAndNeverAsksForAnUpdate)
{
    answer("discontinued", R"({"discontinued": true, "versionRequirementErrorText": "This Pathwarden is too old."})");
    int installWithoutUpdating = 0;
    QObject::connect(page, &SelfUpdatePage::clientTooOldInstallWithoutUpdating, [&] { ++installWithoutUpdating; });
    wizard.show();
    EXPECT_FALSE(wizard.button(QWizard::CancelButton)->isEnabled());
    auto* label = page->findChild<QLabel*>(QStringLiteral("clientTooOldLabel"));
    ASSERT_TRUE(label);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->isVisible(); }, 30000));
    EXPECT_EQ(label->text(), QStringLiteral("This Pathwarden is too old."));
    EXPECT_EQ(page->title(), QStringLiteral("Error"));
    EXPECT_EQ(wizard.currentId(), VornWizard::SelfUpdatePageId);

    const QList<RecordedRequest> asked = server.requestsFor("/rest/downloadclient/discontinued");
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.first().path, QByteArray("/rest/downloadclient/discontinued?version=2.0.10"));
    EXPECT_TRUE(server.requestsFor("/rest/downloadclient/update").isEmpty());

    render(wizard, QStringLiteral("self-update-too-old-96dpi"), 1.0);
    render(wizard, QStringLiteral("self-update-too-old-dpr2"), 2.0);
    page->findChild<QPushButton*>(QStringLiteral("installWithoutUpdatingButton"))->click();
    EXPECT_EQ(installWithoutUpdating, 1);
}

TEST_F(SelfUpdatePageTest, UpToDateMovesTheWizardOnWithoutTheUser)
{
    answer("discontinued", R"({"discontinued": false})");
    answer("update", R"({"version": "9.0.0", "updateRequired": false, "macLink": "https://127.0.0.1:1/x.zip"})");
    wizard.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.currentId() == VornWizard::DownloadChoiceSelectionPageId; },
                                30000));
    EXPECT_TRUE(page->isComplete());
    EXPECT_EQ(server.requestsFor("/rest/downloadclient/update").size(), 1);
}

TEST_F(SelfUpdatePageTest, DownloadViewRendersAtBothPixelRatios)
{
    // The page as it looks while the update downloads.
    answer("discontinued", R"({"discontinued": true})");
    wizard.resize(640, 480);
    wizard.show();
    auto* label = page->findChild<QLabel*>(QStringLiteral("clientTooOldLabel"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->isVisible(); }, 30000));
    page->setTitle(QStringLiteral("Preparing for Update"));
    auto* bar = page->findChild<QProgressBar*>();
    bar->setRange(0, 100);
    QMetaObject::invokeMethod(page, "downloadStartedSlot");
    QMetaObject::invokeMethod(page, "downloadProgressInPercentSlot", Q_ARG(int, 42));
    page->findChild<QStackedWidget*>()->setCurrentIndex(0);
    EXPECT_EQ(bar->value(), 42);
    render(wizard, QStringLiteral("self-update-download-96dpi"), 1.0);
    render(wizard, QStringLiteral("self-update-download-dpr2"), 2.0);
}

// While another run of the user stores its update, the window says that it
// waits for it, and goes on by itself once that run is done.
TEST_F(SelfUpdatePageTest, WaitForAnotherWindowsUpdateIsShown)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("update.zip"));
    ASSERT_TRUE(writeUpdaterArchive(archive, recordingStandInExecutable(dir.filePath(QStringLiteral("started")))));
    const QByteArray bytes = fileContents(archive);
    TestFileServer files;
    files.setFile("/update.zip", bytes);
    answer("discontinued", R"({"discontinued": false})");
    answer("update", QStringLiteral(R"({"version": "9.0.0", "updateRequired": true, "macLink": "%1", "macFilesize": %2,)"
                                    R"( "macChecksum": "%3"})")
                         .arg(files.url("/update.zip").toString())
                         .arg(bytes.size())
                         .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()))
                         .toUtf8());
    // The other run holds the store.
    const UserLock other = tryLockUserFile(provider.getLocalStoreDirectory() + QLatin1String(LocalStorage::kLockFileName));
    ASSERT_EQ(other.state, UserLock::Taken);
    wizard.resize(640, 480);
    wizard.show();
    auto* label = page->findChild<QLabel*>(QStringLiteral("progressLabel"));
    auto* bar = page->findChild<QProgressBar*>();
    ASSERT_TRUE(label && bar);
    const QString waiting = QStringLiteral("Another Pathwarden window is updating. This one waits until that update is "
                                           "finished, then goes on by itself.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == waiting; }, 60000)) << qPrintable(label->text());
    // No end while it waits.
    EXPECT_EQ(bar->maximum(), 0);
    render(wizard, QStringLiteral("self-update-waiting-96dpi"), 1.0);
    render(wizard, QStringLiteral("self-update-waiting-dpr2"), 2.0);
    ::close(other.fd);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() != waiting; }, 60000));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("The Pathwarden is currently preparing for update.")));
    EXPECT_EQ(bar->maximum(), 100);
}
