#include "updater/app/DownloadChoiceSelectionPage.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/AbstractComponentScanner.h"
#include "updater/services/AbstractDownloadChoicesService.h"
#include "updater/services/AbstractInstallerLauncher.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/testsupport/TestCatalogue.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QWizard>

#include <gtest/gtest.h>

namespace {

// The scan's answers without running the collector script.
class CannedScanner : public AbstractComponentScanner {
public:
    bool scan() override { return true; }
    QString installerDirPath() override { return QStringLiteral("/media/Product Medium"); }
    QString resultXml() override
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scanning-output><packages/></scanning-output>\n");
    }
    QString artifactsFilePath() override { return QString(); }
};

// Records what the page asks for; the test plays the download's signals.
class RecordingDownloads : public AbstractDownloadChoicesService {
public:
    QList<DownloadChoice*> finishedDownloadChoices() override { return started; }
    void startDownloads(QList<DownloadChoice*> choices) override { started = choices; }

    QList<DownloadChoice*> started;
};

// Counts the installer starts the page asks for.
class CountingLauncher : public AbstractInstallerLauncher {
public:
    void launchInstaller(QString) override { ++launches; }

    int launches = 0;
};

// Answers the next modal input dialog with text.
void answerInputDialogWith(const QString& text)
{
    QTimer::singleShot(50, [text] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            answerInputDialogWith(text);
            return;
        }
        dialog->setTextValue(text);
        dialog->accept();
    });
}

class DownloadChoicePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trust.isLoaded());
        ASSERT_TRUE(server.isListening());
    }

    // The remote client owns its REST client and addresses; like the
    // wizard's, it lives until the process ends (held where the leak checker
    // sees it, so it is not reported as lost).
    void showPage(bool accessRestrictedUpdates, bool waitForTheList = true)
    {
        static auto* livesUntilExit = new QList<QObject*>;
        auto* rest = new RESTClient(&trust.certificates);
        auto* client = new DownloadChoicesRemoteClient(
            rest, 0, new ServiceUrl(QStringLiteral("productlinescan"), server.rootUrl(), rest, nullptr),
            new ServiceUrl(QStringLiteral("downloadchoiceprereleaseauthorizationsearch"), server.rootUrl(), rest,
                           nullptr),
            nullptr);
        livesUntilExit->append(client);
        page = new DownloadChoiceSelectionPage(&downloads, client, 0, &artifactsFile, &scanner, &launcher,
                                               accessRestrictedUpdates, nullptr);
        wizard.setWizardStyle(QWizard::ModernStyle);
        wizard.setPage(5, page);
        wizard.show();
        if (waitForTheList) {
            ASSERT_TRUE(QTest::qWaitFor([this] { return table()->rowCount() > 0; }, 30000));
        }
    }

    QTableWidget* table() const { return page->findChild<QTableWidget*>(QStringLiteral("downloadChoicesTable")); }
    QAbstractButton* button() const { return wizard.button(QWizard::CustomButton1); }
    int rowOf(const QString& name) const
    {
        const QList<QTableWidgetItem*> found = table()->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? -1 : found.first()->row();
    }

    TrustedTestCertificates trust;
    TestUpdateServer server;
    CannedScanner scanner;
    RecordingDownloads downloads;
    CountingLauncher launcher;
    ArtifactsFile artifactsFile{nullptr};
    QWizard wizard;
    DownloadChoiceSelectionPage* page = nullptr;
};

} // namespace

TEST_F(DownloadChoicePageTest, TickedChoiceDownloadsWithByteProgressBeyondTwoGibibytes)
{
    showPage(false);
    EXPECT_EQ(page->title(), QStringLiteral("Available Updates"));
    EXPECT_EQ(button()->text(), QStringLiteral("Install without updating"));
    const int row = rowOf(QStringLiteral("Sound Library 2.1"));
    ASSERT_GE(row, 0);
    table()->item(row, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(button()->text(), QStringLiteral("Download and install"));
    button()->click();
    ASSERT_EQ(downloads.started.size(), 1);
    EXPECT_EQ(downloads.started.first()->totalFilesize, 3440090809ULL);
    EXPECT_FALSE(button()->isEnabled());
    EXPECT_FALSE(table()->isEnabled());

    // The set-up signal carries the total narrowed to an int: negative here.
    emit downloads.downloadProgressSetup(static_cast<int>(3440090809ULL));
    emit downloads.downloadStarted(QStringLiteral("Sound Library 2.1"));
    emit downloads.downloadProgress(3440090809ULL, 2580068106ULL, 1, 1);
    auto* bar = page->findChild<QProgressBar*>(QStringLiteral("downloadProgressBar"));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_NEAR(double(bar->value()) / bar->maximum(), 0.75, 0.001);
    EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("statusLabel"))->text(), QStringLiteral("2460 of 3280 MB done"));
    EXPECT_EQ(page->title(), QStringLiteral("Downloading Updates"));

}

TEST_F(DownloadChoicePageTest, RestrictedQueryKeepsTheButtonDisabledUntilItsChoicesAreListed)
{
    showPage(true);
    const int before = table()->rowCount();
    auto* restricted = page->findChild<QPushButton*>(QStringLiteral("restrictedUpdatesButton"));
    ASSERT_TRUE(restricted->isEnabled());
    answerInputDialogWith(TestCatalogue::restrictedAccessCode());
    restricted->click();
    // The query runs now and owns the list: nothing may start downloads.
    EXPECT_FALSE(button()->isEnabled());
    EXPECT_FALSE(restricted->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return table()->rowCount() == before + 1; }, 30000));
    EXPECT_TRUE(button()->isEnabled());
    EXPECT_GE(rowOf(QStringLiteral("Sound Library 2.2 Beta")), 0);

    // A second query for the same code adds nothing twice.
    answerInputDialogWith(TestCatalogue::restrictedAccessCode());
    restricted->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button()->isEnabled(); }, 30000));
    EXPECT_EQ(table()->rowCount(), before + 1);
}

TEST_F(DownloadChoicePageTest, ServerLinksAreEncodedAndEscapedAndOnlyWebAddressesBecomeLinks)
{
    const QByteArray artifacts = R"("links": [{"rel": "artifactsMac", "href": ")" + server.baseUrl().toUtf8()
                                 + R"(/rest/catalogue/artifacts-manual-en.json"}])";
    server.setResponse("/rest/catalogue/downloadchoiceoptions.json", 200,
                       R"([{"downloadChoice": {"name": "<b>Bold</b> & Co", "moreInfoLink": "https://example.com/a b?q='x'&r=<i>", )"
                           + artifacts + R"(}}, {"downloadChoice": {"name": "Local", "moreInfoLink": "file:///etc/passwd", )"
                           + artifacts + "}}]");
    showPage(false);
    ASSERT_EQ(table()->rowCount(), 2);
    // A table item shows plain text.
    EXPECT_EQ(table()->item(0, 1)->text(), QStringLiteral("<b>Bold</b> & Co"));
    auto* web = qobject_cast<QLabel*>(table()->cellWidget(0, 3));
    const QRegularExpression anchor(QStringLiteral("^<html><a href='([^'<>\"]*)'>Show Details in Web Browser</a></html>$"));
    const QRegularExpressionMatch match = anchor.match(web->text());
    ASSERT_TRUE(match.hasMatch()) << web->text().toStdString();
    // Decoded, the attribute gives back the server's address.
    QString href = match.captured(1);
    href.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    EXPECT_EQ(QUrl::fromPercentEncoding(href.toLatin1()), QStringLiteral("https://example.com/a b?q='x'&r=<i>"));
    EXPECT_FALSE(web->toolTip().contains(QLatin1Char('<')));
    auto* local = qobject_cast<QLabel*>(table()->cellWidget(1, 3));
    EXPECT_TRUE(local->text().isEmpty());
}

TEST_F(DownloadChoicePageTest, ListedPageShowsItsTextsWholeAtOneAndTwoDevicePixelsPerPoint)
{
    showPage(true);
    ASSERT_EQ(wizard.logicalDpiX(), 96);
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/renderings");
    QDir().mkpath(folder);
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(wizard.size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::white);
        wizard.render(&pixmap);
        EXPECT_TRUE(pixmap.save(folder + QStringLiteral("/pathwarden-download-choices@%1x.png").arg(ratio)));
    }
    // Whole texts: each fits the widget that shows it.
    const QFontMetrics metrics(button()->font());
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Download and install")), button()->width());
    auto* restricted = page->findChild<QPushButton*>(QStringLiteral("restrictedUpdatesButton"));
    EXPECT_LE(restricted->fontMetrics().horizontalAdvance(restricted->text()), restricted->width());
    QHeaderView* header = table()->horizontalHeader();
    for (int column = 0; column < 4; ++column) {
        const QString text = table()->horizontalHeaderItem(column)->text();
        EXPECT_LE(header->fontMetrics().horizontalAdvance(text), header->sectionSize(column)) << text.toStdString();
    }
    for (int row = 0; row < table()->rowCount(); ++row) {
        auto* label = qobject_cast<QLabel*>(table()->cellWidget(row, 3));
        if (label && !label->text().isEmpty()) {
            EXPECT_LE(label->heightForWidth(label->width()), table()->rowHeight(row));
        }
    }
}

// The user cancels as the search ends, its finished event already queued:
// with no choice offered the page would otherwise start the installer.
TEST_F(DownloadChoicePageTest, CancelAfterTheSearchEndedButBeforeItsEventStartsNothing)
{
    server.setResponse("/rest/productlines/scan", 200, "[]");
    showPage(false, false);
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(30000));
    page->cancelAndWait();
    QTest::qWait(300);
    EXPECT_EQ(launcher.launches, 0);
    EXPECT_EQ(page->title().toStdString(), "Searching for Updates");
}

// Hundreds of choices are listed a part per turn of the event loop, which
// goes on turning while the table fills; the button waits for the whole list.
TEST_F(DownloadChoicePageTest, ManyChoicesAreListedWhileTheEventLoopTurns)
{
    const int count = 300;
    QByteArray document = "[";
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        document += QByteArray(i ? "," : "") + R"({"downloadChoice": {"name": "Choice )" + n
                    + R"(", "moreInfoLink": "https://example.com/)" + n + R"(", "links": [{"rel": "artifactsMac", )"
                    + R"("href": ")" + server.baseUrl().toUtf8() + "/rest/artifacts/" + n + R"("}]}})";
        server.setResponse("/rest/artifacts/" + n, 200,
                           R"([{"href": "https://example.com/choice-)" + n + R"(.zip", "filesize": 1}])");
    }
    server.setResponse("/rest/catalogue/downloadchoiceoptions.json", 200, document + "]");
    // Each turn looks at the table: filled in part, and the button then.
    int partlyFilled = 0;
    bool enabledWhilePartly = false;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        auto* view = page ? table() : nullptr;
        if (!view || view->rowCount() != count)
            return;
        int filled = 0;
        while (filled < count && view->item(filled, 1))
            ++filled;
        if (filled > 0 && filled < count) {
            ++partlyFilled;
            enabledWhilePartly = enabledWhilePartly || button()->isEnabled();
        }
    });
    turn.start(0);
    showPage(false, false);
    ASSERT_TRUE(QTest::qWaitFor([this] { return button()->isEnabled(); }, 120000));
    EXPECT_GT(partlyFilled, 0) << "the table was filled in one go";
    EXPECT_FALSE(enabledWhilePartly);
    EXPECT_EQ(table()->item(count - 1, 1)->text(), QStringLiteral("Choice %1").arg(count - 1));
}
