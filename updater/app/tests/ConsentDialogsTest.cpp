#include "updater/app/AskForGoOnlineDialog.h"
#include "updater/app/CheckIfOnlineDialog.h"
#include "updater/app/MandatoryUpdateDialog.h"
#include "updater/app/WebLinkOpener.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/testsupport/ComponentScanFixture.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/StandInProgram.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Index of a widget in the dialog's vertical layout, -1 when absent.
int layoutIndex(QWidget* dialog, QWidget* widget)
{
    return widget ? dialog->layout()->indexOf(widget) : -1;
}

template <typename Dialog>
void expectAnswerDisablesBothButtons(Dialog& dialog, const char* clicked, const char* expectedSignal)
{
    RecordingLogAppender log(DEBUG);
    QSignalSpy goOnline(&dialog, SIGNAL(goOnlineSignal()));
    QSignalSpy stayOffline(&dialog, SIGNAL(stayOfflineSignal()));
    button(&dialog, clicked)->click();
    const bool online = QByteArray(expectedSignal) == "goOnlineSignal";
    // Each dialog logs under its own name, not its base class's.
    EXPECT_TRUE(log.contains(QString::fromLatin1(dialog.metaObject()->className())
                             + (online ? QStringLiteral(" DEBUG :: goOnlineSlot")
                                       : QStringLiteral(" DEBUG :: stayOfflineSlot"))))
        << qPrintable(log.lines().join(QLatin1Char('\n')));
    EXPECT_EQ(goOnline.count(), online ? 1 : 0);
    EXPECT_EQ(stayOffline.count(), online ? 0 : 1);
    EXPECT_FALSE(button(&dialog, "goOnlineButton")->isEnabled());
    EXPECT_FALSE(button(&dialog, "stayOfflineButton")->isEnabled());
}

} // namespace

TEST(ConsentDialogs, GoOnlineButtonEmitsGoOnlineOnceAndDisablesBoth)
{
    AskForGoOnlineDialog dialog(false, nullptr);
    expectAnswerDisablesBothButtons(dialog, "goOnlineButton", "goOnlineSignal");
    MandatoryUpdateDialog mandatory(false, QStringLiteral("https://example.invalid"), nullptr);
    expectAnswerDisablesBothButtons(mandatory, "goOnlineButton", "goOnlineSignal");
}

TEST(ConsentDialogs, StayOfflineButtonEmitsStayOffline)
{
    AskForGoOnlineDialog dialog(false, nullptr);
    expectAnswerDisablesBothButtons(dialog, "stayOfflineButton", "stayOfflineSignal");
    MandatoryUpdateDialog mandatory(false, QString(), nullptr);
    expectAnswerDisablesBothButtons(mandatory, "stayOfflineButton", "stayOfflineSignal");
}

TEST(ConsentDialogs, ButtonTexts)
{
    AskForGoOnlineDialog dialog(false, nullptr);
    EXPECT_EQ(button(&dialog, "goOnlineButton")->text(), QStringLiteral("Yes, search for updates"));
    EXPECT_EQ(button(&dialog, "stayOfflineButton")->text(), QStringLiteral("No, install locally available software"));
    MandatoryUpdateDialog mandatory(false, QString(), nullptr);
    EXPECT_EQ(button(&mandatory, "goOnlineButton")->text(), QStringLiteral("Yes, download and install components"));
    EXPECT_EQ(button(&mandatory, "stayOfflineButton")->text(),
              QStringLiteral("No, do not download. Install DVD content only"));
}

TEST(ConsentDialogs, SecurityWarningOnlyWhenAskedForBetweenTextAndButtons)
{
    AskForGoOnlineDialog plain(false, nullptr);
    EXPECT_EQ(plain.findChild<QLabel*>(QStringLiteral("securityWarningLabel")), nullptr);
    MandatoryUpdateDialog plainMandatory(false, QString(), nullptr);
    EXPECT_EQ(plainMandatory.findChild<QLabel*>(QStringLiteral("securityWarningLabel")), nullptr);

    AskForGoOnlineDialog warned(true, nullptr);
    MandatoryUpdateDialog warnedMandatory(true, QString(), nullptr);
    for (QDialog* dialog : {static_cast<QDialog*>(&warned), static_cast<QDialog*>(&warnedMandatory)}) {
        auto* warning = dialog->findChild<QLabel*>(QStringLiteral("securityWarningLabel"));
        ASSERT_NE(warning, nullptr);
        EXPECT_EQ(warning->text(), QStringLiteral("Verification of secure server communication is not available. "
                                                  "It is recommended not to search for updates."));
        EXPECT_TRUE(warning->styleSheet().contains(QStringLiteral("background-color: red")));
        const int mainIndex = layoutIndex(dialog, dialog->findChild<QLabel*>(QStringLiteral("mainLabel")));
        const int warningIndex = layoutIndex(dialog, warning);
        const int goIndex = layoutIndex(dialog, button(dialog, "goOnlineButton"));
        EXPECT_LT(mainIndex, warningIndex);
        EXPECT_LT(warningIndex, goIndex);
        EXPECT_LT(goIndex, layoutIndex(dialog, button(dialog, "stayOfflineButton")));
    }
}

TEST(ConsentDialogs, MandatoryUpdateShowsTheProductLinkAsAnAnchor)
{
    MandatoryUpdateDialog dialog(false, QStringLiteral("https://example.invalid/get"), nullptr);
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("mainLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains(
        QStringLiteral("<a href=\"https://example.invalid/get\">https://example.invalid/get</a>")));
    EXPECT_TRUE(label->openExternalLinks());
    EXPECT_EQ(label->textFormat(), Qt::RichText);

    MandatoryUpdateDialog empty(false, QString(), nullptr);
    EXPECT_TRUE(empty.findChild<QLabel*>(QStringLiteral("mainLabel"))->text().contains(QStringLiteral("<a href=\"\"></a>")));
}

// A link opens through the platform's open command, started without Qt's
// detached start.
TEST(ConsentDialogs, WebLinksOpenWithThePlatformsOpenCommand)
{
    QTemporaryDir bin;
    const QString record = bin.filePath(QStringLiteral("record"));
    writeRecordingStandInProgram(bin.path(), QString::fromLatin1(platform::kOpenCommand), record);
    ScopedVariable path("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));
    WebLinkOpener opener(nullptr);
    EXPECT_TRUE(QDesktopServices::openUrl(QUrl(QStringLiteral("https://example.invalid/get?a=b c"))));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded),
              QStringList{QStringLiteral("https://example.invalid/get?a=b%20c")});
}

TEST(ConsentDialogs, AHostileProductLinkIsShownAsTextAndNeverOpensAnythingButHttps)
{
    const struct {
        const char* link;
        const char* shown;  // must appear in the label's text
        const char* anchor; // the only anchor, or nullptr for none
    } cases[] = {
        {"file:///etc/passwd", "file:///etc/passwd", nullptr},
        {"<b>Call +1 555</b><a href=\"file:///etc/passwd\">here</a>",
         "&lt;b&gt;Call +1 555&lt;/b&gt;&lt;a href=&quot;file:///etc/passwd&quot;&gt;here&lt;/a&gt;", nullptr},
        {"javascript:alert(1)", "javascript:alert(1)", nullptr},
        {"http://example.invalid/get", "http://example.invalid/get", nullptr},
        {"https://example.invalid/a\"><b>x</b>", "https://example.invalid/a&quot;&gt;&lt;b&gt;x&lt;/b&gt;",
         "<a href=\"https://example.invalid/a%22%3E%3Cb%3Ex%3C/b%3E\">"},
        {"https://example.invalid/get?a=1&b=2", "https://example.invalid/get?a=1&amp;b=2",
         "<a href=\"https://example.invalid/get?a=1&amp;b=2\">"},
    };
    for (const auto& c : cases) {
        MandatoryUpdateDialog dialog(false, QString::fromUtf8(c.link), nullptr);
        const QString text = dialog.findChild<QLabel*>(QStringLiteral("mainLabel"))->text();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.shown))) << c.link << "\n" << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("<a ")), c.anchor ? 1 : 0) << c.link;
        if (c.anchor) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.anchor))) << c.link << "\n" << text.toStdString();
        }
        EXPECT_FALSE(text.contains(QStringLiteral("<b>x</b>"))) << c.link;
    }
}

TEST(ConsentDialogs, ComeToTheFrontWithNameAndVersionInTheTitle)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Pathwarden"));
    QApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
    AskForGoOnlineDialog dialog(false, nullptr);
    dialog.bringWindowToForeground();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Pathwarden - Version 1.16.0.436"));
    dialog.close();
}

TEST(OfflineDialog, EachButtonEmitsItsSignalAndCloses)
{
    CheckIfOnlineDialog dialog;
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Could not connect to server"));
    QSignalSpy retry(&dialog, SIGNAL(retrySignal()));
    QSignalSpy install(&dialog, SIGNAL(skipDownloadAndRunInstallerSignal()));
    QSignalSpy abort(&dialog, SIGNAL(abortSignal()));

    dialog.show();
    button(&dialog, "tryAgainButton")->click();
    EXPECT_EQ(retry.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    // Offered again the next time the check fails.
    EXPECT_TRUE(button(&dialog, "tryAgainButton")->isEnabled());
    dialog.show();
    button(&dialog, "tryAgainButton")->click();
    EXPECT_EQ(retry.count(), 2);

    dialog.show();
    button(&dialog, "installButton")->click();
    EXPECT_EQ(install.count(), 1);
    EXPECT_FALSE(dialog.isVisible());

    dialog.show();
    button(&dialog, "cancelButton")->click();
    EXPECT_EQ(abort.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(retry.count(), 2);
    EXPECT_EQ(install.count(), 1);
}

TEST(OfflineDialog, EscapeAndTheCloseButtonCountAsCancel)
{
    CheckIfOnlineDialog dialog;
    QSignalSpy abort(&dialog, SIGNAL(abortSignal()));
    QSignalSpy others(&dialog, SIGNAL(retrySignal()));
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(abort.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    dialog.close(); // what the window manager's close button does
    EXPECT_EQ(abort.count(), 2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(others.count(), 0);
}
