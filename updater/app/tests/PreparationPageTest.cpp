#include "updater/app/CheckIfOnlineDialog.h"
#include "updater/app/VornWizard.h"
#include "updater/infrastructure/NetworkInitService.h"
#include "updater/testsupport/RecordingLogAppender.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWizardPage>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Answers as told and counts the calls; each call runs on a pool thread.
class ScriptedNetworkInitService : public AbstractNetworkInitService {
public:
    bool isSSLCertificateValid() override
    {
        ++certificateChecks;
        return certificateValid;
    }
    bool isOnline() override
    {
        ++onlineChecks;
        return --offlineAnswers < 0;
    }
    void registerRemoteAppender() override { ++registrations; }

    bool certificateValid = true;
    std::atomic<int> offlineAnswers{0};
    std::atomic<int> certificateChecks{0};
    std::atomic<int> onlineChecks{0};
    std::atomic<int> registrations{0};
};

class PreparationPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QObject::connect(&service, &AbstractNetworkInitService::appCanceledByUserSignal, [this] { ++canceled; });
        QObject::connect(&service, &AbstractNetworkInitService::appRunOfflineByUserSignal, [this] { ++offline; });
        // Stands in for the page that follows the preparation page.
        wizard.setPage(VornWizard::SelfUpdatePageId, new QWizardPage);
    }

    ScriptedNetworkInitService service;
    CheckIfOnlineDialog offlineDialog;
    VornWizard wizard{&service, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &offlineDialog, nullptr, nullptr, nullptr};
    int canceled = 0;
    int offline = 0;
};

} // namespace

TEST_F(PreparationPageTest, SuccessRegistersTheRemoteLogAndMovesOn)
{
    EXPECT_TRUE(wizard.windowTitle().isEmpty()) << "the title is set when the wizard comes forward";
    wizard.show();
    EXPECT_EQ(wizard.currentId(), VornWizard::AppInitProgressPageId);
    EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Preparing for Update"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return wizard.currentId() == VornWizard::SelfUpdatePageId; }, 60000));
    EXPECT_EQ(service.certificateChecks.load(), 1);
    EXPECT_EQ(service.onlineChecks.load(), 1);
    EXPECT_EQ(service.registrations.load(), 1);
    EXPECT_FALSE(offlineDialog.isVisible());
    EXPECT_EQ(canceled, 0);
}

TEST_F(PreparationPageTest, CertificateFailureShowsTheFatalBoxThenQuits)
{
    service.certificateValid = false;
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownText = box->text();
            shownIcon = box->icon();
            box->accept();
        }
    });
    answer.start(20);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return canceled == 1; }, 60000));
    EXPECT_EQ(shownIcon, QMessageBox::Critical);
    EXPECT_EQ(shownText, QStringLiteral("Could not establish secure server communication.\n\nThe Pathwarden will "
                                        "stop.\n\nPlease try again later, or contact Holmgrave Support in case the "
                                        "problem persists."));
    QTest::qWait(100);
    EXPECT_EQ(service.onlineChecks.load(), 0);
    EXPECT_EQ(service.registrations.load(), 0);
    EXPECT_EQ(wizard.currentId(), VornWizard::AppInitProgressPageId);
}

TEST_F(PreparationPageTest, OfflineShowsTheDialogAndTryAgainRepeatsOnlyTheOnlineCheck)
{
    service.offlineAnswers = 2;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return offlineDialog.isVisible(); }, 60000));
    EXPECT_EQ(service.onlineChecks.load(), 1);
    offlineDialog.retryClicked();
    ASSERT_TRUE(QTest::qWaitFor([this] { return service.onlineChecks == 2 && offlineDialog.isVisible(); }, 60000));
    offlineDialog.retryClicked();
    ASSERT_TRUE(QTest::qWaitFor([this] { return wizard.currentId() == VornWizard::SelfUpdatePageId; }, 60000));
    EXPECT_EQ(service.certificateChecks.load(), 1);
    EXPECT_EQ(service.onlineChecks.load(), 3);
    EXPECT_EQ(service.registrations.load(), 1);
    EXPECT_EQ(canceled, 0);
}

TEST_F(PreparationPageTest, OfflineDialogRelaysCancelAndInstallWithoutUpdating)
{
    service.offlineAnswers = 100;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return offlineDialog.isVisible(); }, 60000));
    offlineDialog.installClicked();
    EXPECT_EQ(offline, 1);
    offlineDialog.abortClicked();
    EXPECT_EQ(canceled, 1);
    EXPECT_EQ(service.registrations.load(), 0);
}

TEST_F(PreparationPageTest, ShowsNoStandardButtonAndComesForwardWithItsTitle)
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
    wizard.bringWindowToForeground();
    EXPECT_EQ(wizard.windowTitle(), QApplication::applicationDisplayName() + QStringLiteral(" - Version 1.16.0.436"));
    for (auto which : {QWizard::NextButton, QWizard::BackButton, QWizard::FinishButton, QWizard::CancelButton})
        EXPECT_FALSE(wizard.button(which)->isVisible());
}

TEST_F(PreparationPageTest, EscapeOnTheWizardGoesThroughItsCancelHandler)
{
    RecordingLogAppender log(DEBUG);
    service.offlineAnswers = 100;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return offlineDialog.isVisible(); }, 60000));
    QTest::keyClick(&wizard, Qt::Key_Escape);
    EXPECT_TRUE(log.contains(QStringLiteral("VornWizard DEBUG :: cancelClicked")));
    EXPECT_FALSE(wizard.isVisible());
    log.clear();
    wizard.show();
    wizard.close(); // the window's close button
    EXPECT_TRUE(log.contains(QStringLiteral("VornWizard DEBUG :: cancelClicked")));
    EXPECT_FALSE(wizard.isVisible());
    // The offline dialog in front of it is answered by Esc as well.
    QTest::keyClick(&offlineDialog, Qt::Key_Escape);
    EXPECT_EQ(canceled, 1);
    EXPECT_EQ(offline, 0);
}
